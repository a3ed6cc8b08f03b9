#pragma once

#include <QDialog>
#include <QTimer>

#include "convert/CompletionActions.h"

class QLabel;
class QPushButton;

namespace mw {

// The last 30 seconds before the computer is switched off; Cancel, Escape, Enter or
// closing the window keep it running.
class TFormShutdown : public QDialog {
    Q_OBJECT
public:
    explicit TFormShutdown(QWidget* parent);

    QLabel* LabelTimeOut() const { return m_timeOut; }
    QPushButton* ButtonCancel() const { return m_cancel; }
    // One second passed (the timer's tick).
    void TimerShutdownTimer();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ShutdownCountdown m_countdown;
    QTimer m_timer;
    QLabel* m_timeOut;
    QPushButton* m_cancel;
};

// Shows the countdown centred over the window; true when it ran out.
bool RunShutdownCountdown(QWidget* mainWindow);

}  // namespace mw
