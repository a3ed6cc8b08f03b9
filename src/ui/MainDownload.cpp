// The main window's part of a download run: its start from Step5, its end on Step7 and the
// hand-off of the saved files to the input page.
#include "Dialogs.h"
#include "DownloadPages.h"
#include "InputPage.h"
#include "Main.h"
#include "youtube/DownloadRun.h"
#include "youtube/QualityPreference.h"

namespace mw {

void TFormMain::StartDownloadRun() {
    // Each run has its own components; the last one's files stay until the next starts.
    m_downloadRun.reset();
    m_downloadRun = std::make_unique<DownloadRun>(
        [this](std::function<void()> call) {
            QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
        },
        *m_downloadProgressPage);
    m_downloadProgressPage->Attach(*m_downloadRun);
    m_downloadProgressPage->Clear();
    m_downloadRun->Start(m_downloadPage->Links(), m_settings.OutputURLDir,
                         m_settings.PreferYouTubeQuality, AttemptOrder(m_settings.PreferYouTube));
}

void TFormMain::ShowDownloadSummary() {
    if (m_closing || !m_downloadRun) {
        return;
    }
    m_downloadPage->ClearLinks();
    m_downloadProgressPage->Clear();
    SetPage(WizardPage::Step7);
    m_downloadFinishPage->SetCounts(m_downloadRun->Total(), m_downloadRun->Succeeded());
}

void TFormMain::ConvertDownloaded() {
    if (!m_downloadRun || m_downloadRun->DownloadedFiles().empty()) {
        ShowNotice(this, "No file downloaded! Please try again.");
        return;
    }
    const std::vector<std::string> files = m_downloadRun->DownloadedFiles();
    SetPage(WizardPage::Step1);
    m_inputPage->AddFiles(files);
}

}  // namespace mw
