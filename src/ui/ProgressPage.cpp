#include "ProgressPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "PageWidgets.h"
#include "convert/ConversionDriver.h"
#include "core/UserSettings.h"

namespace mw {

namespace {

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

ProgressPage::ProgressPage(UserSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setObjectName("TabSheetStep3");
    m_list = new QTreeWidget(this);
    m_list->setObjectName("ListViewConverting");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHeaderLabels({"Name", "Duration", "Status", "Progress", "Path"});
    const int widths[] = {240, 80, 95, 95, 300};
    for (int column = 0; column < 5; ++column) {
        m_list->setColumnWidth(column, widths[column]);
    }
    // A whole duration stays readable in any font.
    const int duration = m_list->fontMetrics().horizontalAdvance("00:00:00.000") + 16;
    m_list->setColumnWidth(1, std::max(widths[1], duration));
    m_list->setGeometry(0, 0, 540, 170);

    auto* status = Placed(new QGroupBox("Status", this), "GroupBoxStatus", {0, 178, 540, 150});
    auto* grid = new QGridLayout(status);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(4);
    m_currentFileTitle = Label("LabelCurrentFileTitle", "Current file:", status);
    m_currentFile = Label("LabelCurrentFile", "...", status);
    m_currentFile->setMinimumWidth(10);
    m_estimated = Label("LabelEstimated", "", status);
    m_elapsed = Label("LabelElapsed", "", status);
    m_timeLeft = Label("LabelTimeLeft", "", status);
    m_progressText = Label("LabelProgress", "0%", status);
    m_progress = NewPercentBar("ProgressBar", status);
    grid->addWidget(m_currentFileTitle, 0, 0);
    grid->addWidget(m_currentFile, 0, 1, 1, 3);
    grid->addWidget(new QLabel("Estimated overall time:", status), 1, 0);
    grid->addWidget(m_estimated, 1, 1);
    grid->addWidget(new QLabel("Elapsed time:", status), 1, 2);
    grid->addWidget(m_elapsed, 1, 3);
    grid->addWidget(new QLabel("Time left:", status), 2, 0);
    grid->addWidget(m_timeLeft, 2, 1);
    grid->addWidget(new QLabel("Overall Progress:", status), 3, 0);
    grid->addWidget(m_progress, 3, 1, 1, 2);
    grid->addWidget(m_progressText, 3, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* options = Placed(new QGroupBox("Post-Progress Options", this), "GroupBoxPostProgress",
                           {0, 334, 540, 80});
    auto* column = new QVBoxLayout(options);
    m_playSound = new QCheckBox("&Play a sound when conversion is finished", options);
    m_playSound->setObjectName("CheckBoxPlayASound");
    m_shutdown = new QCheckBox("&Shut down the computer after all tasks are finished", options);
    m_shutdown->setObjectName("CheckBoxShutdown");
    column->addWidget(m_playSound);
    column->addWidget(m_shutdown);
    // A change counts at once, also for the run under way.
    connect(m_playSound, &QCheckBox::clicked, this,
            [this](bool checked) { m_settings.PlayASoundWhenFinished = checked; });
    connect(m_shutdown, &QCheckBox::clicked, this,
            [this](bool checked) { m_settings.ShutDownWhenFinished = checked; });
}

void ProgressPage::LoadOptions() {
    m_playSound->setChecked(m_settings.PlayASoundWhenFinished);
    m_shutdown->setChecked(m_settings.ShutDownWhenFinished);
}

void ProgressPage::Render(const ConversionDriver& driver) {
    m_list->headerItem()->setText(2, QString::fromStdString(driver.StatusColumnCaption()));
    m_list->headerItem()->setText(3, QString::fromStdString(driver.ProgressColumnCaption()));
    const auto& rows = driver.Rows();
    while (m_list->topLevelItemCount() > static_cast<int>(rows.size())) {
        delete m_list->takeTopLevelItem(m_list->topLevelItemCount() - 1);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(static_cast<int>(i));
        if (!item) {
            item = new QTreeWidgetItem(m_list);
        }
        const ConversionRow& row = rows[i];
        const std::string* texts[] = {&row.Name, &row.Duration, &row.Status, &row.Progress,
                                      &row.Path};
        for (int column = 0; column < 5; ++column) {
            item->setText(column, QString::fromStdString(*texts[column]));
        }
    }
    if (const QTreeWidgetItem* current = m_list->topLevelItem(driver.CurrentTask())) {
        m_list->scrollToItem(current);
    }
    m_currentFileTitle->setText(QString::fromStdString(driver.CurrentFileTitle()));
    m_currentFile->setText(QString::fromStdString(driver.CurrentFile()));
    m_progress->setValue(driver.Percent());
    m_progressText->setText(QString::number(m_progress->value()) + "%");
    m_estimated->setText(QString::fromStdString(driver.Estimated()));
    m_elapsed->setText(QString::fromStdString(driver.Elapsed()));
    m_timeLeft->setText(QString::fromStdString(driver.TimeLeft()));
}

void ProgressPage::Clear() {
    m_list->clear();
}

}  // namespace mw
