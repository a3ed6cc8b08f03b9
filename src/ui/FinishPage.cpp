#include "FinishPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "PageWidgets.h"
#include "convert/ConversionDriver.h"
#include "core/Platform.h"
#include "core/UserSettings.h"

namespace mw {

FinishPage::FinishPage(const UserSettings& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings) {
    setObjectName("TabSheetStep4");
    m_title1 = NewHeadingLabel("LabelFinishTitle1", this);
    const QFont bold = m_title1->font();

    // The outcome: whether the run was cancelled, the counts, and what failed.
    auto* outcome = new QWidget(this);
    outcome->setGeometry(18, 50, 510, 268);
    auto* column = new QVBoxLayout(outcome);
    column->setContentsMargins(0, 0, 0, 0);
    m_cancelled = new QLabel("The conversion was cancelled.", outcome);
    m_cancelled->setObjectName("LabelFinishCancelled");
    m_cancelled->setFont(bold);
    m_cancelled->hide();
    column->addWidget(m_cancelled);

    auto* grid = new QGridLayout;
    const auto count = [&](int row, const QString& caption, const char* name) {
        grid->addWidget(new QLabel(caption, outcome), row, 0);
        auto* value = new QLabel("0", outcome);
        value->setObjectName(name);
        value->setFont(bold);
        grid->addWidget(value, row, 1);
        return value;
    };
    m_total = count(0, "Total files:", "LabelFinishTotalFiles");
    m_succeeded = count(1, "Succeeded:", "LabelFinishSuccessed");
    m_failed = count(2, "Failed:", "LabelFinishFailed");
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);

    m_errors = new QPlainTextEdit(outcome);
    m_errors->setObjectName("MemoErrorLog");
    m_errors->setReadOnly(true);
    m_errors->hide();
    column->addWidget(m_errors, 1);
    column->addStretch();

    m_openFolder = NewLinkLabel("LabelOpenFolder", "Open folder", this);
    m_openFolder->setGeometry(18, 330, 200, 22);
    connect(m_openFolder, &QLabel::linkActivated, this,
            [this] { OpenWithShell(m_settings.OutputFileDir); });

    m_title2 = new QLabel(this);
    m_title2->setObjectName("LabelFinishTitle2");
    m_title2->setWordWrap(true);
    m_title2->setGeometry(18, 366, 510, 44);
}

void FinishPage::SetTitle(const QString& title) {
    m_title1->setText(QString("%1 has finished the conversion.").arg(title));
    m_title2->setText(FinishHint(title));
}

void FinishPage::ShowSummary(const ConversionDriver& driver) {
    QStringList lines;
    for (const FailedTask& failed : driver.RunFailures()) {
        QString reason = QString::fromStdString(failed.Error);
        if (reason.isEmpty()) {
            reason = driver.RunCancelled() ? "cancelled before it was finished"
                                           : "not finished, without a message";
        }
        lines << QString("File (%1): %2: %3")
                     .arg(failed.Row)
                     .arg(QString::fromStdString(failed.File), reason);
    }
    m_cancelled->setVisible(driver.RunCancelled());
    m_errors->setPlainText(lines.join('\n'));
    m_errors->setVisible(!lines.isEmpty());
    m_total->setText(QString::number(driver.RunTotalFiles()));
    m_succeeded->setText(QString::number(driver.RunSucceeded()));
    m_failed->setText(QString::number(driver.RunTotalFiles() - driver.RunSucceeded()));
}

}  // namespace mw
