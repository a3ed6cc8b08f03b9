// The wizard's pages: their texts and buttons, and what Next, Back and Exit do on each.
#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QStackedWidget>
#include <filesystem>

#include "ApplicationTitle.h"
#include "Dialogs.h"
#include "DownloadPages.h"
#include "FormatPage.h"
#include "InputPage.h"
#include "Main.h"
#include "ModePage.h"
#include "ProgressPage.h"
#include "convert/ConversionDriver.h"
#include "core/UtilFuncs.h"
#include "youtube/DownloadRun.h"

namespace mw {

namespace {

struct PageTexts {
    const char* Title;
    const char* Next;
    bool NextEnabled;
    bool BackEnabled;
    const char* Exit;
};

constexpr const char* kStep1Title =
    "Select the videos you want to convert. Use \"Move Up\" and \"Move Down\" to change the "
    "order.";
constexpr const char* kFolderNotice =
    "Fail to create directory! Please check if output folder have the right format!";

PageTexts TextsOf(WizardPage page, bool download, bool merge) {
    switch (page) {
        case WizardPage::Mode:
            return {"Welcome to %1! What do you want to do?", "Next", true, false, "Exit"};
        case WizardPage::Step1:
            return download ? PageTexts{kStep1Title, "Next", true, true, "Cancel"}
                            : PageTexts{kStep1Title, "Next", true, false, "Exit"};
        case WizardPage::Step2:
            return {"Select an output mode and specify a path for the output files.",
                    merge ? "Join Now" : "Convert", true, true, "Cancel"};
        case WizardPage::Step3:
            return {"Conversion information.", "Next", false, false, "Cancel"};
        case WizardPage::Step4:
            return {"The conversion is finished.", "Finish", true, false, "Exit"};
        case WizardPage::Step5:
            return {"Copy a YouTube link from your browser address bar and Paste here", "Download",
                    true, true, "Cancel"};
        case WizardPage::Step6:
            return {"Downloading information.", "Next", false, false, "Cancel"};
        case WizardPage::Step7:
            return {"The downloading is finished.", "Finish", true, false, "Exit"};
    }
    return {"", "Next", false, false, "Exit"};
}

// The access key a control's caption marks with "&" ("&&" is a plain ampersand), lower case;
// none when it marks none.
QChar AccessKeyOf(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (caption[i + 1] != '&') {
                return caption[i + 1].toLower();
            }
            ++i;
        }
    }
    return {};
}

// The access keys the visible buttons of a page use.
QString AccessKeysOf(const QWidget& page) {
    QString keys;
    for (const QAbstractButton* button : page.findChildren<QAbstractButton*>()) {
        const QChar key = AccessKeyOf(button->text());
        if (!key.isNull() && button->isVisibleTo(&page)) {
            keys += key;
        }
    }
    return keys;
}

// Marks the first letter of the caption that no other control uses, and takes it.
QString WithAccessKey(const QString& caption, QString& taken) {
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar key = caption[i].toLower();
        if (key.isLetterOrNumber() && !taken.contains(key)) {
            taken += key;
            return QString(caption).insert(i, '&');
        }
    }
    return caption;
}

// The folder exists afterwards, made with its parents when missing.
bool CreateFolder(const std::string& folder) {
    std::error_code error;
    if (folder.empty()) {
        return false;
    }
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

}  // namespace

WizardPage TFormMain::Page() const {
    return static_cast<WizardPage>(m_pages->currentIndex());
}

void TFormMain::SetPage(WizardPage page) {
    if (Page() == page) {
        RefreshPage();
    } else {
        m_pages->setCurrentIndex(static_cast<int>(page));
    }
}

void TFormMain::RefreshPage() {
    const PageTexts texts = TextsOf(Page(), m_edition.Download, m_edition.Merge);
    QString title = texts.Title;
    if (Page() == WizardPage::Mode) {
        title = title.arg(QString::fromStdString(m_edition.Name));
    }
    m_title->setText(title);
    QString taken = AccessKeysOf(*m_pages->currentWidget());
    m_actionNext->setText(WithAccessKey(texts.Next, taken));
    m_actionNext->setEnabled(texts.NextEnabled);
    m_actionBack->setText(WithAccessKey("Back", taken));
    m_actionBack->setEnabled(texts.BackEnabled);
    m_actionExit->setText(WithAccessKey(texts.Exit, taken));
    m_actionExit->setEnabled(true);
}

bool TFormMain::ExitQuits() const {
    switch (Page()) {
        case WizardPage::Mode:
        case WizardPage::Step4:
        case WizardPage::Step7:
            return true;
        case WizardPage::Step1:
            return !m_edition.Download;
        default:
            return false;
    }
}

void TFormMain::GoToStartPage() {
    SetPage(m_edition.Download ? WizardPage::Mode : WizardPage::Step1);
}

void TFormMain::ClearInputsToStartPage() {
    m_inputs.Clear();
    m_inputPage->Refresh();
    GoToStartPage();
}

void TFormMain::ActionNextExecute() {
    switch (Page()) {
        case WizardPage::Mode:
            if (m_modePage->RadioButtonDownloadVideo()->isChecked()) {
                SetPage(WizardPage::Step5);
                m_downloadPage->LoadDownloadPage();
            } else if (m_modePage->RadioButtonConvertVideo()->isChecked()) {
                SetPage(WizardPage::Step1);
            }
            break;
        case WizardPage::Step1:
            if (m_inputs.Count() > 0) {
                SetPage(WizardPage::Step2);
                m_formatPage->ApplyFormatSelection();
            } else {
                ShowNotice(this, "Please add the video files you want to convert");
            }
            break;
        case WizardPage::Step2:
            m_formatPage->ReadFormatSelection();
            if (CreateFolder(m_settings.OutputFileDir)) {
                QCoreApplication::processEvents();
                SetPage(WizardPage::Step3);
                m_progressPage->LoadOptions();
                QMetaObject::invokeMethod(this, &TFormMain::StartRun, Qt::QueuedConnection);
            } else {
                ShowNotice(this, kFolderNotice);
            }
            break;
        case WizardPage::Step4:
            m_progressPage->Clear();
            ClearInputsToStartPage();
            break;
        case WizardPage::Step5:
            m_downloadPage->StoreDownloadPage();
            if (m_downloadPage->Links().empty()) {
                ShowNotice(this,
                           "Please Copy & Paste the YouTube video links you want to download.");
            } else if (!CreateFolder(m_settings.OutputURLDir)) {
                ShowNotice(this, kFolderNotice);
            } else {
                SetPage(WizardPage::Step6);
                StartDownloadRun();
            }
            break;
        case WizardPage::Step7:
            m_downloadPage->ClearLinks();
            m_downloadProgressPage->Clear();
            GoToStartPage();
            break;
        case WizardPage::Step3:
        case WizardPage::Step6:
            break;
    }
}

void TFormMain::ActionBackExecute() {
    switch (Page()) {
        case WizardPage::Step1:
            if (AskQuestion(this, "Are you sure to cancel and go back?")) {
                ClearInputsToStartPage();
            }
            break;
        case WizardPage::Step2:
            SetPage(WizardPage::Step1);
            break;
        case WizardPage::Step5:
            if (AskQuestion(this, "Are you sure to cancel and go back?")) {
                m_downloadPage->ClearLinks();
                GoToStartPage();
            }
            break;
        default:
            break;
    }
}

void TFormMain::ActionExitExecute() {
    if (ExitQuits()) {
        if (AskQuestion(this, kQuitQuestion)) {
            close();
        }
        return;
    }
    switch (Page()) {
        case WizardPage::Step1:
        case WizardPage::Step2:
            if (AskQuestion(this, "Are you sure to cancel?")) {
                ClearInputsToStartPage();
            }
            break;
        case WizardPage::Step3:
            if (AskQuestion(this, kCancelConversionQuestion)) {
                m_driver->CancelRun();
                RefreshPage();
            }
            break;
        case WizardPage::Step5:
            if (AskQuestion(this, "Are you sure to cancel?")) {
                m_downloadPage->ClearLinks();
                GoToStartPage();
            }
            break;
        case WizardPage::Step6:
            // The run ends through its own path once the transfer has stopped.
            if (AskQuestion(this, "Do you really want to cancel the downloading?") &&
                m_downloadRun) {
                m_downloadRun->Cancel();
            }
            break;
        default:
            break;
    }
}

}  // namespace mw
