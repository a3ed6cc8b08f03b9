#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "convert/InputList.h"

class QAction;
class QMenu;
class QPushButton;

namespace mw {

class DvdSource;
class InputGridModel;
class NextGrid;
class TFFmpegVCL;
struct UserSettings;

// Page Step1: the files to convert, their order, and how they get there.
class InputPage : public QWidget {
    Q_OBJECT
public:
    InputPage(InputList& inputs, TFFmpegVCL& engine, UserSettings& settings, std::string edition,
              std::function<void(const std::string&)> log, QWidget* parent);
    ~InputPage() override;

    // With DVD the load-DVD button is shown above the add button.
    void SetDvdVisible(bool visible);

    // Adds the files the probe can open and reports the others.
    void AddFiles(const std::vector<std::string>& names);
    // Adds the media files among dropped names; folders and other files are skipped.
    void DropFiles(const std::vector<std::string>& names);
    // The list changed outside the page (emptied by the wizard).
    void Refresh();

    NextGrid* Grid() const { return m_grid; }
    QAction* ActionAdd() const { return m_add; }
    QAction* ActionDelete() const { return m_delete; }
    QAction* ActionClear() const { return m_clear; }
    QAction* ActionMoveUp() const { return m_moveUp; }
    QAction* ActionMoveDown() const { return m_moveDown; }
    QAction* ActionPlay() const { return m_play; }
    QAction* ActionLoadDVD() const { return m_loadDvd; }
    QMenu* PopupMenu() const { return m_popup; }
    DvdSource& Dvd() const { return *m_dvd; }

private:
    void ActionAddExecute();
    void ActionPlayExecute();
    void ActionLoadDVDExecute();
    void ListChanged();
    void UpdateActions();

    InputList& m_inputs;
    TFFmpegVCL& m_engine;
    UserSettings& m_settings;
    std::string m_edition;  // whose support page the failed-files report offers
    std::function<void(const std::string&)> m_log;
    InputGridModel* m_model;
    NextGrid* m_grid;
    QPushButton* m_addDvdButton;
    QPushButton* m_addButton;
    QAction* m_add;
    QAction* m_delete;
    QAction* m_clear;
    QAction* m_moveUp;
    QAction* m_moveDown;
    QAction* m_play;
    QAction* m_loadDvd;
    QAction* m_cropTrim;
    QMenu* m_popup;
    std::unique_ptr<DvdSource> m_dvd;
};

}  // namespace mw
