#include "FinishPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>

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

    auto* counts = new QWidget(this);
    counts->setGeometry(18, 54, 300, 80);
    auto* grid = new QGridLayout(counts);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto count = [&](int row, const QString& caption, const char* name) {
        grid->addWidget(new QLabel(caption, counts), row, 0);
        auto* value = new QLabel("0", counts);
        value->setObjectName(name);
        value->setFont(bold);
        grid->addWidget(value, row, 1);
        return value;
    };
    m_total = count(0, "Total files:", "LabelFinishTotalFiles");
    m_succeeded = count(1, "Succeeded:", "LabelFinishSuccessed");
    m_failed = count(2, "Failed:", "LabelFinishFailed");
    grid->setColumnStretch(1, 1);

    m_errors = new QPlainTextEdit(this);
    m_errors->setObjectName("MemoErrorLog");
    m_errors->setReadOnly(true);
    m_errors->setGeometry(18, 146, 510, 170);
    m_errors->hide();

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
    QStringList errors;
    for (const std::string& line : driver.RunErrors()) {
        errors << QString::fromStdString(line);
    }
    m_errors->setPlainText(errors.join('\n'));
    m_errors->setVisible(!errors.isEmpty());
    m_total->setText(QString::number(driver.RunTotalFiles()));
    m_succeeded->setText(QString::number(driver.RunSucceeded()));
    m_failed->setText(QString::number(driver.RunTotalFiles() - driver.RunSucceeded()));
}

}  // namespace mw
