#include "ClickLabel.h"

#include <QMouseEvent>
#include <QPainter>

namespace mw {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    if (!pixmap().isNull() || fontMetrics().horizontalAdvance(text()) <= contentsRect().width()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), static_cast<int>(alignment()),
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width()));
}

ClickLabel* NewAddressLabel(const char* name, QWidget* parent) {
    auto* label = new ClickLabel(parent);
    label->setObjectName(name);
    QPalette link = label->palette();
    link.setColor(QPalette::WindowText, QColor(0x1a, 0x5f, 0xb4));
    label->setPalette(link);
    QFont underlined = label->font();
    underlined.setUnderline(true);
    label->setFont(underlined);
    return label;
}

}  // namespace mw
