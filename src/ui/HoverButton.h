#pragma once

#include <QAbstractButton>

namespace mw {

// A button drawn by its own paint code that knows whether the mouse is over it. It takes
// the focus from the keyboard only, and then shows a focus mark.
class HoverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit HoverButton(QWidget* parent = nullptr);

protected:
    bool Hovered() const { return m_hover; }
    // A ring inside the button's edge while it has the focus.
    void PaintFocusMark(QPainter& painter, const QColor& color) const;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_hover = false;
};

}  // namespace mw
