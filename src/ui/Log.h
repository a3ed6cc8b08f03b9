#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace mw {

// The log window: every line the program and the media libraries report, for the life of
// the process. Closing it only hides it.
class TFormLog : public QDialog {
    Q_OBJECT
public:
    explicit TFormLog(QWidget* parent = nullptr);

    // Where the window's placement is kept; empty until the settings folder is known.
    void SetSettingsFolder(const std::string& folder) { m_settingsFolder = folder; }

    void AddLogLine(const QString& text);
    void ShowLog();
    QStringList Lines() const;

    QPushButton* ButtonOK() const { return m_ok; }
    QPushButton* ButtonDelete() const { return m_delete; }
    QPushButton* ButtonSave() const { return m_save; }

    // The group of buttons centred in the bottom panel.
    void LayoutButtons();
    // Stores the placement (also done by the main window at the program's end).
    void SavePlacement();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ButtonDeleteClick();
    void ButtonSaveClick();

    QPlainTextEdit* m_memo;
    QWidget* m_panelBottom;
    QPushButton* m_ok;
    QPushButton* m_delete;
    QPushButton* m_save;
    std::string m_settingsFolder;
};

}  // namespace mw
