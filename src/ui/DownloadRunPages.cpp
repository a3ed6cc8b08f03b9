// Pages Step6 and Step7: a download run under way and its summary.
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "DownloadPages.h"
#include "PageWidgets.h"
#include "core/Platform.h"
#include "core/UserSettings.h"

namespace mw {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

DownloadProgressPage::DownloadProgressPage(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheetStep6");
    m_list = new QTreeWidget(this);
    m_list->setObjectName("ListViewURLDownload");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHeaderLabels({"Name", "Status", "Size", "Speed", "Progress", "URL"});
    m_list->setGeometry(0, 0, 540, 200);
    for (const auto& [column, width] : {std::pair{0, 150}, {1, 120}, {2, 60}, {3, 80}, {4, 60}}) {
        m_list->setColumnWidth(column, width);
    }

    auto* status = new QGroupBox("Status", this);
    status->setGeometry(0, 210, 540, 200);
    auto* grid = new QGridLayout(status);
    int row = 0;
    const auto valueLabel = [&](const char* caption, const char* name) {
        grid->addWidget(new QLabel(caption, status), row, 0);
        auto* value = new QLabel("...", status);
        value->setObjectName(name);
        grid->addWidget(value, row++, 1, 1, 2);
        return value;
    };
    m_currentFile = valueLabel("Current file:", "LabelURLCurrentFile");
    m_status = valueLabel("Status:", "LabelURLStatus");
    m_speed = valueLabel("Speed:", "LabelSpeed");
    m_elapsed = valueLabel("Elapsed time:", "LabelURLElapsedTime");
    m_timeLeft = valueLabel("Time left:", "LabelURLTimeLeft");
    m_qualityLabel = valueLabel("Quality:", "LabelQuality");
    grid->addWidget(new QLabel("Progress:", status), row, 0);
    m_progress = NewPercentBar("ProgressBarDownload", status);
    grid->addWidget(m_progress, row, 1);
    m_percent = new QLabel("0%", status);
    m_percent->setObjectName("LabelProgressBarDownload");
    grid->addWidget(m_percent, row, 2);
    grid->setColumnStretch(1, 1);
}

void DownloadProgressPage::Attach(const DownloadRun& run) {
    m_run = &run;
}

void DownloadProgressPage::Clear() {
    m_list->clear();
    SetStatusTexts({});
}

void DownloadProgressPage::RunChanged() {
    if (m_run == nullptr || !m_run->Running()) {
        return;
    }
    const std::vector<DownloadItem>& rows = m_run->Rows();
    // The list is built when the run starts: one row per link with its first texts.
    if (m_list->topLevelItemCount() != static_cast<int>(rows.size())) {
        m_list->clear();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            m_list->addTopLevelItem(new QTreeWidgetItem);
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DownloadItem& row = rows[i];
        QTreeWidgetItem* item = m_list->topLevelItem(static_cast<int>(i));
        const QString texts[] = {Text(row.Name),  Text(row.Status),   Text(row.Size),
                                 Text(row.Speed), Text(row.Progress), Text(row.URL)};
        for (int column = 0; column < 6; ++column) {
            if (item->text(column) != texts[column]) {
                item->setText(column, texts[column]);
            }
        }
    }
    SetStatusTexts(m_run->Status());
}

void DownloadProgressPage::AttemptFailed(std::size_t row, const std::string& reason) {
    if (OnLogLine && m_run != nullptr && row < m_run->Rows().size()) {
        OnLogLine(
            QString("Download failed: %1 (%2): %3")
                .arg(Text(m_run->Rows()[row].Name), Text(m_run->Status().Quality), Text(reason)));
    }
}

void DownloadProgressPage::ResolverReport(std::size_t row, const std::string& line) {
    if (OnLogLine && m_run != nullptr && row < m_run->Rows().size()) {
        OnLogLine(QString("%1: %2").arg(Text(m_run->Rows()[row].Name), Text(line)));
    }
}

void DownloadProgressPage::RunEnded() {
    if (OnRunEnded) {
        OnRunEnded();
    }
}

void DownloadProgressPage::SetStatusTexts(const DownloadStatus& status) {
    m_currentFile->setText(Text(status.CurrentFile));
    m_status->setText(Text(status.Status));
    m_speed->setText(Text(status.Speed));
    m_elapsed->setText(Text(status.ElapsedTime));
    m_timeLeft->setText(Text(status.TimeLeft));
    m_qualityLabel->setText(Text(status.Quality));
    m_progress->setValue(status.Percent);
    m_percent->setText(QString("%1%").arg(status.Percent));
}

DownloadFinishPage::DownloadFinishPage(const UserSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setObjectName("TabSheetStep7");
    m_title1 = NewHeadingLabel("LabelFinishedDownloading1", this);
    const QFont bold = m_title1->font();

    auto* summary = new QGroupBox("Summary", this);
    summary->setGeometry(18, 54, 300, 110);
    auto* grid = new QGridLayout(summary);
    int row = 0;
    const auto countLabel = [&](const char* caption, const char* name) {
        grid->addWidget(new QLabel(caption, summary), row, 0);
        auto* value = new QLabel("0", summary);
        value->setObjectName(name);
        value->setFont(bold);
        grid->addWidget(value, row++, 1);
        return value;
    };
    m_total = countLabel("Total files:", "LabelURLTotalFiles");
    m_succeeded = countLabel("Successed:", "LabelURLSucedded");
    m_failed = countLabel("Failed:", "LabelURLFailed");
    auto* openFolder = NewLinkLabel("LabelURLOpenFolder", "Open folder", this);
    openFolder->setGeometry(18, 176, 200, 22);
    connect(openFolder, &QLabel::linkActivated, this,
            [this] { OpenWithShell(m_settings.OutputURLDir); });
    m_convert = Placed(new QPushButton("Convert the downloaded file(s) now! ", this),
                       "ButtonConvertDownloaded", {18, 210, 280, 32});

    m_title2 = new QLabel(this);
    m_title2->setObjectName("LabelFinishedDownloading2");
    m_title2->setWordWrap(true);
    m_title2->setGeometry(18, 366, 510, 44);
}

void DownloadFinishPage::SetTitle(const QString& title) {
    m_title1->setText(QString("%1 has finished the downloading.").arg(title));
    m_title2->setText(FinishHint(title));
}

void DownloadFinishPage::SetCounts(int total, int succeeded) {
    m_total->setText(QString::number(total));
    m_succeeded->setText(QString::number(succeeded));
    m_failed->setText(QString::number(total - succeeded));
}

}  // namespace mw
