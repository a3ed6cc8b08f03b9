#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace mw {

struct UserSettings;

// Page Step5: the YouTube links, the folder they are saved in and the quality.
class DownloadPage : public QWidget {
    Q_OBJECT
public:
    DownloadPage(UserSettings& settings, QWidget* parent);

    // Entering the page: the stored folder and quality choice.
    void LoadDownloadPage();
    // Leaving with Download: the folder and the quality choice are stored.
    void StoreDownloadPage();

    QListWidget* ListViewInputURL() const { return m_links; }
    QLineEdit* EditURLOutput() const { return m_folder; }
    QCheckBox* CheckBoxYouTubeQuality() const { return m_quality; }

private:
    void UpdateButtons();

    UserSettings& m_settings;
    QListWidget* m_links;
    QPushButton* m_paste;
    QPushButton* m_remove;
    QPushButton* m_empty;
    QLineEdit* m_folder;
    QCheckBox* m_quality;
    QPushButton* m_qualityConfig;
    QLabel* m_qualityLabel;
};

// Page Step6: the downloads under way.
class DownloadProgressPage : public QWidget {
    Q_OBJECT
public:
    explicit DownloadProgressPage(QWidget* parent);

    QTreeWidget* ListViewURLDownload() const { return m_list; }

private:
    QTreeWidget* m_list;
    QProgressBar* m_progress;
};

// Page Step7: the summary of the downloads.
class DownloadFinishPage : public QWidget {
    Q_OBJECT
public:
    DownloadFinishPage(const UserSettings& settings, QWidget* parent);

    void SetTitle(const QString& title);

private:
    const UserSettings& m_settings;
    QLabel* m_title1;
    QLabel* m_title2;
};

}  // namespace mw
