#pragma once

#include <QAbstractButton>

namespace mw {

// A button drawn by its own paint code that knows whether the mouse is over it.
class HoverButton : public QAbstractButton {
    Q_OBJECT
public:
    using QAbstractButton::QAbstractButton;

protected:
    bool Hovered() const { return m_hover; }
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_hover = false;
};

}  // namespace mw
