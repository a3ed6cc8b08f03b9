#include "DownloadPages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "PageWidgets.h"
#include "core/Platform.h"
#include "core/UserSettings.h"
#include "core/UtilFuncs.h"

namespace mw {

DownloadPage::DownloadPage(UserSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setObjectName("TabSheetStep5");
    auto* input = new QGroupBox(" Input URLs ", this);
    input->setGeometry(0, 0, 540, 230);
    m_links = Placed(new QListWidget(input), "ListViewInputURL", {10, 24, 410, 196});
    m_paste = Placed(new QPushButton("&Paste", input), "ButtonURLPaste", {430, 24, 100, 28});
    // Links arrive with the download feature's clipboard handling.
    m_paste->setEnabled(false);
    m_remove = Placed(new QPushButton("&Remove", input), "ButtonURLRemove", {430, 58, 100, 28});
    m_empty = Placed(new QPushButton("&Empty", input), "ButtonURLEmpty", {430, 92, 100, 28});
    connect(m_remove, &QPushButton::clicked, this, [this] {
        qDeleteAll(m_links->selectedItems());
        UpdateButtons();
    });
    connect(m_empty, &QPushButton::clicked, this, [this] {
        m_links->clear();
        UpdateButtons();
    });
    connect(m_links, &QListWidget::itemSelectionChanged, this, &DownloadPage::UpdateButtons);

    auto* setup = new QGroupBox(" Setup ", this);
    setup->setGeometry(0, 238, 540, 70);
    auto* folderLabel = new QLabel("Output directory:", setup);
    folderLabel->setGeometry(10, 30, 110, 24);
    m_folder = Placed(new QLineEdit(setup), "EditURLOutput", {122, 28, 300, 28});
    auto* select =
        Placed(new QPushButton("Select...", setup), "ButtonURLSelect", {430, 28, 100, 28});
    connect(select, &QPushButton::clicked, this,
            [this] { SelectFolderInto(*m_folder, m_settings.OutputURLDir); });

    auto* quality = new QGroupBox(" Quality ", this);
    quality->setGeometry(0, 316, 540, 70);
    m_quality = Placed(new QCheckBox("Prefer YouTube high quality", quality),
                       "CheckBoxYouTubeQuality", {10, 30, 210, 24});
    m_qualityLabel = Placed(new QLabel("[Defatult Quality - HQ5]", quality), "LabelYouTubeQuality",
                            {226, 30, 196, 24});
    m_qualityConfig = Placed(new QPushButton("Config...", quality), "ButtonYouTubeQualityConfig",
                             {430, 28, 100, 28});
    m_qualityConfig->setEnabled(false);
    connect(m_quality, &QCheckBox::toggled, m_qualityConfig, &QWidget::setEnabled);
    UpdateButtons();
}

void DownloadPage::LoadDownloadPage() {
    m_folder->setText(QString::fromStdString(m_settings.OutputURLDir));
    m_quality->setChecked(m_settings.PreferYouTubeQuality);
    m_qualityConfig->setEnabled(m_quality->isChecked());
}

void DownloadPage::StoreDownloadPage() {
    m_settings.OutputURLDir = WithTrailingBackslash(m_folder->text().toStdString());
    m_settings.PreferYouTubeQuality = m_quality->isChecked();
}

void DownloadPage::UpdateButtons() {
    m_remove->setEnabled(!m_links->selectedItems().isEmpty());
    m_empty->setEnabled(m_links->count() > 0);
}

DownloadProgressPage::DownloadProgressPage(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheetStep6");
    m_list = new QTreeWidget(this);
    m_list->setObjectName("ListViewURLDownload");
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({"Name", "Status", "Size", "Speed", "Progress", "URL"});
    m_list->setGeometry(0, 0, 540, 200);

    auto* status = new QGroupBox("Status", this);
    status->setGeometry(0, 210, 540, 180);
    auto* grid = new QGridLayout(status);
    int row = 0;
    for (const auto& [caption, name] : {std::pair{"Current file:", "LabelURLCurrentFile"},
                                        {"Status:", "LabelURLStatus"},
                                        {"Speed:", "LabelSpeed"},
                                        {"Elapsed time:", "LabelURLElapsedTime"},
                                        {"Time left:", "LabelURLTimeLeft"},
                                        {"Quality:", "LabelQuality"}}) {
        grid->addWidget(new QLabel(caption, status), row, 0);
        auto* value = new QLabel("...", status);
        value->setObjectName(name);
        grid->addWidget(value, row++, 1, 1, 2);
    }
    grid->addWidget(new QLabel("Progress:", status), row, 0);
    m_progress = NewPercentBar("ProgressBarDownload", status);
    grid->addWidget(m_progress, row, 1);
    auto* percent = new QLabel("0%", status);
    percent->setObjectName("LabelProgressBarDownload");
    grid->addWidget(percent, row, 2);
    grid->setColumnStretch(1, 1);
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
    for (const auto& [caption, name] : {std::pair{"Total files:", "LabelURLTotalFiles"},
                                        {"Successed:", "LabelURLSucedded"},
                                        {"Failed:", "LabelURLFailed"}}) {
        grid->addWidget(new QLabel(caption, summary), row, 0);
        auto* value = new QLabel("0", summary);
        value->setObjectName(name);
        value->setFont(bold);
        grid->addWidget(value, row++, 1);
    }
    auto* openFolder = NewLinkLabel("LabelURLOpenFolder", "Open folder", this);
    openFolder->setGeometry(18, 176, 200, 22);
    connect(openFolder, &QLabel::linkActivated, this,
            [this] { OpenWithShell(m_settings.OutputURLDir); });
    auto* convert = Placed(new QPushButton("Convert the downloaded file(s) now! ", this),
                           "ButtonConvertDownloaded", {18, 210, 280, 32});
    // The hand-off of downloaded files comes with the download run.
    convert->setEnabled(false);

    m_title2 = new QLabel(this);
    m_title2->setObjectName("LabelFinishedDownloading2");
    m_title2->setWordWrap(true);
    m_title2->setGeometry(18, 366, 510, 44);
}

void DownloadFinishPage::SetTitle(const QString& title) {
    m_title1->setText(QString("%1 has finished the downloading.").arg(title));
    m_title2->setText(FinishHint(title));
}

}  // namespace mw
