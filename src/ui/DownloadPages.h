#pragma once

#include <QWidget>
#include <functional>

#include "youtube/DownloadList.h"
#include "youtube/DownloadRun.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
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

    // The clipboard's offer changed: Paste is possible exactly while it holds text.
    void SetClipboardHasText(bool hasText);
    const std::vector<std::string>& Links() const { return m_model.Links(); }
    void ClearLinks();

    QListWidget* ListViewInputURL() const { return m_links; }
    QLineEdit* EditURLOutput() const { return m_folder; }
    QCheckBox* CheckBoxYouTubeQuality() const { return m_quality; }
    QMenu* PopupMenuListViewURL() const { return m_menu; }
    QAction* ActionURLPaste() const { return m_paste; }
    QAction* ActionURLRemove() const { return m_remove; }

private:
    void Paste();
    void Remove();
    void ShowLinks();
    void UpdateActions();
    void RefreshQualityLabel();

    UserSettings& m_settings;
    DownloadList m_model;
    bool m_clipboardHasText = false;
    QListWidget* m_links;
    QMenu* m_menu;
    QAction* m_paste;
    QAction* m_remove;
    QAction* m_empty;
    QLineEdit* m_folder;
    QCheckBox* m_quality;
    QPushButton* m_qualityConfig;
    QLabel* m_qualityLabel;
};

// Page Step6: the downloads under way, row by row, and the status of the current one.
class DownloadProgressPage : public QWidget, public DownloadRunObserver {
    Q_OBJECT
public:
    explicit DownloadProgressPage(QWidget* parent);

    // The run whose rows and status the page shows from now on.
    void Attach(const DownloadRun& run);
    // The list and the status group as a run's end leaves them.
    void Clear();

    // Called when the attached run has ended.
    std::function<void()> OnRunEnded;
    // Called with a line for the log window.
    std::function<void(const QString&)> OnLogLine;

    QTreeWidget* ListViewURLDownload() const { return m_list; }

    void RunChanged() override;
    void AttemptFailed(std::size_t row, const std::string& reason) override;
    void ResolverReport(std::size_t row, const std::string& line) override;
    void RunEnded() override;

private:
    void SetStatusTexts(const DownloadStatus& status);

    const DownloadRun* m_run = nullptr;
    QTreeWidget* m_list;
    QLabel* m_currentFile;
    QLabel* m_status;
    QLabel* m_speed;
    QLabel* m_elapsed;
    QLabel* m_timeLeft;
    QLabel* m_qualityLabel;
    QProgressBar* m_progress;
    QLabel* m_percent;
};

// Page Step7: the summary of the downloads.
class DownloadFinishPage : public QWidget {
    Q_OBJECT
public:
    DownloadFinishPage(const UserSettings& settings, QWidget* parent);

    void SetTitle(const QString& title);
    void SetCounts(int total, int succeeded);
    QPushButton* ButtonConvertDownloaded() const { return m_convert; }

private:
    const UserSettings& m_settings;
    QLabel* m_title1;
    QLabel* m_title2;
    QLabel* m_total;
    QLabel* m_succeeded;
    QLabel* m_failed;
    QPushButton* m_convert;
};

}  // namespace mw
