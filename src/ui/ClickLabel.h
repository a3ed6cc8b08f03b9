#pragma once

#include <QLabel>

namespace mw {

// A label or picture that does something when the left mouse button is released on it. A
// text too long for the label is shortened in the middle on screen; text() stays whole.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// A click label drawn as a link: blue, underlined, with the pointing hand; the whole text is
// its tool tip.
ClickLabel* NewAddressLabel(const char* name, QWidget* parent);

}  // namespace mw
