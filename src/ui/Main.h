#pragma once

#include <QWidget>
#include <memory>
#include <string>

#include "Skin.h"
#include "convert/InputList.h"
#include "core/EditionConfig.h"
#include "core/UserSettings.h"
#include "engine/FFmpegVCL.h"

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;

namespace mw {

class CompletionPlatform;
class ConversionDriver;
class DownloadRun;
class DownloadFinishPage;
class DownloadPage;
class DownloadProgressPage;
class FinishPage;
class FormatPage;
class ImageButton;
class InputPage;
class ModePage;
class ProgressPage;
class TFormLog;

enum class WizardPage { Mode, Step1, Step2, Step3, Step4, Step5, Step6, Step7 };

// Questions the window asks in more than one place.
inline constexpr const char* kQuitQuestion = "Are you sure to quit now?";
inline constexpr const char* kCancelConversionQuestion =
    "Do you really want to cancel the conversion?";

// The main window: a borderless, skinned frame around the pages of the wizard.
class TFormMain : public QWidget {
    Q_OBJECT
public:
    // Runs the creation sequence; an error in it is shown and ends the sequence there.
    TFormMain(const EditionConfig& edition, TFormLog& log, CompletionPlatform& completion,
              QWidget* parent = nullptr);
    ~TFormMain() override;

    WizardPage Page() const;
    void SetPage(WizardPage page);
    void RefreshPage();
    void GoToStartPage();

    void ActionNextExecute();
    void ActionBackExecute();
    void ActionExitExecute();

    // Adds dropped files (names as the desktop gives them).
    void DropFiles(const std::vector<std::string>& names);
    // Files named on the command line: they join the input page of the convert mode as if
    // dropped, and the wizard shows that page.
    void OpenFiles(const std::vector<std::string>& names);

    // An error ended the creation sequence: the message was shown and the window is not
    // fit to be shown.
    bool StartupFailed() const { return m_startupFailed; }

    const UserSettings& Settings() const { return m_settings; }
    const std::string& SettingsFolder() const { return m_settingsFolder; }
    const InputList& Inputs() const { return m_inputs; }
    InputPage* Step1() const { return m_inputPage; }
    FormatPage* Step2() const { return m_formatPage; }
    ProgressPage* Step3() const { return m_progressPage; }
    FinishPage* Step4() const { return m_finishPage; }
    DownloadPage* Step5() const { return m_downloadPage; }
    DownloadProgressPage* Step6() const { return m_downloadProgressPage; }
    DownloadFinishPage* Step7() const { return m_downloadFinishPage; }
    // The last download run; null before the first and after closing.
    const DownloadRun* Download() const { return m_downloadRun.get(); }
    ModePage* Mode() const { return m_modePage; }
    QMenu* PopupMenuHelp() const { return m_helpMenu; }
    TFFmpegVCL& Engine() { return m_engine; }
    // Whether the clipboard lacks text (the link list's paste needs it).
    bool ClipboardLacksText() const { return m_clipboardLacksText; }

signals:
    // The end of the start-up, after the event loop has begun.
    void StartupFinished();
    // A run has started (its first report may follow at once).
    void RunStarted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreationSequence();
    void ApplySkin(const SkinImages& images, int skin);
    void LoadSettingsAndPlacement();
    void StartupDone();
    void StartRun();
    void FinishRun();
    // The links of Step5 become the rows of a new download run on Step6.
    void StartDownloadRun();
    // The download run has ended: its counts on Step7.
    void ShowDownloadSummary();
    // The files of the last download run join the input list as the open dialog adds them.
    void ConvertDownloaded();
    // The title bar and the task bar show how far the run is.
    void ShowRunProgress();
    // What closing must ask first; empty when it closes at once. fromSystem: the window
    // manager asked (Alt+F4 there).
    QString CloseQuestion(bool fromSystem) const;
    // Exit asks whether to quit on this page.
    bool ExitQuits() const;
    // Empties the input list and goes back to the start page.
    void ClearInputsToStartPage();
    void ButtonHelpClick();

    EditionConfig m_edition;
    TFormLog& m_log;
    CompletionPlatform& m_completion;
    UserSettings m_settings;
    std::string m_settingsFolder;
    TFFmpegVCL m_engine;
    InputList m_inputs;
    std::unique_ptr<ConversionDriver> m_driver;
    std::unique_ptr<DownloadRun> m_downloadRun;
    QPixmap m_background;
    bool m_clipboardLacksText = true;
    bool m_closing = false;
    bool m_startupFailed = false;

    QLabel* m_title;
    QLabel* m_topLogo;
    QLabel* m_leftLogo;
    QLabel* m_version;
    QLabel* m_moreTools;
    ImageButton* m_min;
    ImageButton* m_close;
    ImageButton* m_help;
    ImageButton* m_logButton;
    ImageButton* m_back;
    ImageButton* m_next;
    ImageButton* m_exit;
    int m_helpMenuOffset = 0;
    QAction* m_actionNext;
    QAction* m_actionBack;
    QAction* m_actionExit;
    QAction* m_actionMoreTools;
    QMenu* m_helpMenu;
    QStackedWidget* m_pages;
    ModePage* m_modePage;
    InputPage* m_inputPage;
    FormatPage* m_formatPage;
    ProgressPage* m_progressPage;
    FinishPage* m_finishPage;
    DownloadPage* m_downloadPage;
    DownloadProgressPage* m_downloadProgressPage;
    DownloadFinishPage* m_downloadFinishPage;
};

}  // namespace mw
