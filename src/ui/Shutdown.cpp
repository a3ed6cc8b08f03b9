#include "Shutdown.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ApplicationTitle.h"
#include "Dialogs.h"

namespace mw {

TFormShutdown::TFormShutdown(QWidget* parent) : QDialog(parent) {
    setObjectName("FormShutdown");
    setWindowTitle("Shutdown");
    setFixedSize(340, 170);

    auto* warning = new QLabel("Warning!", this);
    warning->setObjectName("LabelWarning");
    QFont bold = warning->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    warning->setFont(bold);
    auto* description =
        new QLabel(QString("If you don't press cancel now, \n%1\nwill shutdown the computer.")
                       .arg(ApplicationTitle()),
                   this);
    description->setObjectName("LabelShutdownDescription");
    m_timeOut = new QLabel(QString::fromStdString(m_countdown.Text()), this);
    m_timeOut->setObjectName("LabelTimeOut");
    m_cancel = new QPushButton("&Cancel", this);
    m_cancel->setObjectName("ButtonCancel");
    m_cancel->setDefault(true);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(warning);
    layout->addWidget(description);
    layout->addWidget(m_timeOut);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TFormShutdown::TimerShutdownTimer);
    m_timer.start();
}

void TFormShutdown::TimerShutdownTimer() {
    if (m_countdown.Tick()) {
        m_timer.stop();
        accept();
        return;
    }
    m_timeOut->setText(QString::fromStdString(m_countdown.Text()));
}

void TFormShutdown::keyPressEvent(QKeyEvent* event) {
    // Enter cancels as the default button does; Escape is the dialog's own cancel.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool RunShutdownCountdown(QWidget* mainWindow) {
    TFormShutdown form(mainWindow);
    if (mainWindow) {
        const QRect main = mainWindow->frameGeometry();
        form.move(main.left() + (main.width() - form.width()) / 2,
                  main.top() + (main.height() - form.height()) / 2);
    }
    return ExecModal(form) == QDialog::Accepted;
}

}  // namespace mw
