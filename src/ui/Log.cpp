#include "Log.h"

#include <QCloseEvent>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>

#include "Dialogs.h"
#include "Placements.h"
#include "core/Placement.h"

namespace mw {

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonGap = 8;
constexpr int kPanelHeight = 40;

}  // namespace

TFormLog::TFormLog(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::WindowTitleHint) {
    setObjectName("FormLog");
    setWindowTitle("Log");
    setMinimumSize(265, 125);
    resize(455, 182);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName("MemoLog");
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);

    m_panelBottom = new QWidget(this);
    m_panelBottom->setObjectName("PanelBottom");
    m_panelBottom->setFixedHeight(kPanelHeight);
    m_ok = new QPushButton("&OK", m_panelBottom);
    m_ok->setObjectName("ButtonOK");
    m_delete = new QPushButton("&Delete Log", m_panelBottom);
    m_delete->setObjectName("ButtonDelete");
    m_save = new QPushButton("&Save Log...", m_panelBottom);
    m_save->setObjectName("ButtonSave");
    for (QPushButton* button : {m_ok, m_delete, m_save}) {
        button->setFixedWidth(kButtonWidth);
        button->move(0, (kPanelHeight - button->sizeHint().height()) / 2);
    }
    m_delete->move(m_ok->x() + kButtonWidth + kButtonGap, m_ok->y());
    m_save->move(m_delete->x() + kButtonWidth + kButtonGap, m_ok->y());
    m_ok->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_memo);
    layout->addWidget(m_panelBottom);

    connect(m_ok, &QPushButton::clicked, this, &TFormLog::close);
    connect(m_delete, &QPushButton::clicked, this, &TFormLog::ButtonDeleteClick);
    connect(m_save, &QPushButton::clicked, this, &TFormLog::ButtonSaveClick);
}

void TFormLog::AddLogLine(const QString& text) {
    m_memo->appendPlainText(text);
}

void TFormLog::ShowLog() {
    show();
    raise();
    activateWindow();
}

QStringList TFormLog::Lines() const {
    const QString text = m_memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

void TFormLog::LayoutButtons() {
    const int groupWidth = m_save->geometry().right() + 1 - m_ok->x();
    m_ok->move(m_panelBottom->width() / 2 - groupWidth / 2, m_ok->y());
    m_delete->move(m_ok->geometry().right() + 1 + kButtonGap, m_ok->y());
    m_save->move(m_delete->geometry().right() + 1 + kButtonGap, m_ok->y());
}

void TFormLog::SavePlacement() {
    if (!m_settingsFolder.empty()) {
        SaveWindowPlacement(*this, kLogPlacementSection, m_settingsFolder);
    }
}

void TFormLog::showEvent(QShowEvent* event) {
    if (!m_settingsFolder.empty()) {
        RestoreWindowPlacement(*this, kLogPlacementSection, m_settingsFolder);
    }
    LayoutButtons();
    QDialog::showEvent(event);
}

void TFormLog::closeEvent(QCloseEvent* event) {
    try {
        SavePlacement();
    } catch (const std::exception& error) {
        ShowErrorText(this, QString::fromStdString(error.what()));
    }
    QDialog::closeEvent(event);
}

void TFormLog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutButtons();
}

void TFormLog::ButtonDeleteClick() {
    const auto answer =
        ShowCustomDialog(this, "Really delete log file?", "Delete log?", DialogKind::Confirmation,
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) {
        m_memo->clear();
        // Once the log was emptied, it is never saved again in this run.
        m_save->setEnabled(false);
    }
}

void TFormLog::ButtonSaveClick() {
    FileRequest request;
    request.Caption = "Save Log";
    request.Filter = "Log-Files (*.log)|*.log|Text-Files (*.txt)|*.txt|All Files (*.*)|*.*";
    request.DefaultSuffix = "log";
    const std::optional<std::string> path = ChooseSaveFile(this, request);
    if (!path) {
        return;
    }
    QFile file(QString::fromStdString(*path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        ShowErrorText(this, QString("Cannot save the log to %1: %2")
                                .arg(QString::fromStdString(*path), file.errorString()));
        return;
    }
    QTextStream out(&file);
    for (const QString& line : Lines()) {
        out << line << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok || !file.flush()) {
        ShowErrorText(this, QString("Cannot save the log to %1: %2")
                                .arg(QString::fromStdString(*path), file.errorString()));
    }
}

}  // namespace mw
