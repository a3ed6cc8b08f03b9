#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "dvd/DvdTitleChoice.h"
#include "dvd/DvdTitles.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace mw {

namespace dvd {
class DVDPlugIn;
}

// The DVD title dialog: opens a DVD drive, folder or image through the plug-in, lists its
// titles with their report, and hands back one title with a chapter range and streams.
// It is made once and keeps its titles, log and last folder for the program's run.
class TfrmDVDSelect : public QDialog {
    Q_OBJECT
public:
    TfrmDVDSelect(dvd::DVDPlugIn& plugIn, QWidget* parent);

    // The chosen title as OK leaves it; nothing while no readable title is selected.
    std::optional<DvdTitleChoice> TitleChoice() const;

    // Reads the titles of a root on a worker while the dialog stays responsive. A root
    // without titles leaves the previous ones and tells the user.
    void OpenDvdRoot(const std::string& root);
    bool Opening() const { return m_opening; }

    const std::string& DvdRoot() const { return m_root; }
    const std::string& LastFolder() const { return m_lastFolder; }

    QPushButton* btnOpen() const { return m_open; }
    QMenu* PopupMenuDVD() const { return m_menu; }
    QComboBox* cboTitles() const { return m_titles; }
    QCheckBox* chkDeinterlace() const { return m_deinterlace; }
    QSpinBox* updFrom() const { return m_from; }
    QSpinBox* updTo() const { return m_to; }
    QComboBox* cboAudio() const { return m_audio; }
    QComboBox* cboSubtitle() const { return m_subtitle; }
    QPushButton* btnOk() const { return m_ok; }
    QPushButton* btnCancel() const { return m_cancel; }
    QPlainTextEdit* mmoLog() const { return m_log; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildMenu();
    void SelectDvdFolder();
    void SelectDvdImage();
    void TitleChange();
    void FromChanged(int from);
    void ToChanged(int to);

    dvd::DVDPlugIn& m_plugIn;
    std::vector<dvd::DvdTitleEntry> m_entries;
    std::string m_root;
    std::string m_lastFolder;
    std::string m_lastImageFolder;
    dvd::ChapterRange m_range;
    bool m_opening = false;
    bool m_closeAfterOpening = false;

    QPushButton* m_open;
    QMenu* m_menu;
    QComboBox* m_titles;
    QCheckBox* m_deinterlace;
    QSpinBox* m_from;
    QSpinBox* m_to;
    QComboBox* m_audio;
    QComboBox* m_subtitle;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPlainTextEdit* m_log;
};

}  // namespace mw
