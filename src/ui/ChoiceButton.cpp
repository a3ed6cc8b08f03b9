#include "ChoiceButton.h"

#include <QPainter>
#include <QPainterPath>

namespace mw {

ChoiceButton::ChoiceButton(const QString& caption, const QString& subtitle, QWidget* parent)
    : HoverButton(parent), m_subtitle(subtitle) {
    setText(caption);
    setCursor(Qt::PointingHandCursor);
}

void ChoiceButton::SetAccent(const QColor& accent) {
    m_accent = accent;
    update();
}

void ChoiceButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool chosen = !isEnabled();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = Qt::white;
    QColor border = QColor(0xc9, 0xd2, 0xde);
    QColor textColor = QColor(0x1d, 0x2b, 0x3e);
    if (chosen) {
        fill = m_accent;
        border = m_accent.darker(120);
        textColor = Qt::white;
    } else if (isDown()) {
        fill = m_accent.lighter(165);
        border = m_accent;
    } else if (Hovered()) {
        fill = m_accent.lighter(185);
        border = m_accent.lighter(130);
    }
    painter.setPen(QPen(border, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 6, 6);

    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(height() > 40 ? 13 : 12);
    painter.setFont(font);
    painter.setPen(textColor);
    if (m_subtitle.isEmpty()) {
        painter.drawText(rect(), Qt::AlignCenter, text());
    } else {
        // Long names take two lines, and a smaller type until every word fits.
        const QRect captionBox = rect().adjusted(3, 6, -3, -height() / 2 + 8);
        const auto fits = [&] {
            if (painter.fontMetrics().horizontalAdvance(text()) <= captionBox.width()) {
                return true;
            }
            for (const QString& word : text().split(' ')) {
                if (painter.fontMetrics().horizontalAdvance(word) > captionBox.width()) {
                    return false;
                }
            }
            return font.pixelSize() <= 11;
        };
        while (!fits() && font.pixelSize() > 8) {
            font.setPixelSize(font.pixelSize() - 1);
            painter.setFont(font);
        }
        painter.drawText(captionBox, Qt::AlignCenter | Qt::TextWordWrap, text());
        font.setBold(false);
        font.setPixelSize(10);
        painter.setFont(font);
        painter.setPen(chosen ? QColor(255, 255, 255, 210) : QColor(0x6b, 0x78, 0x8a));
        painter.drawText(rect().adjusted(2, height() / 2 + 2, -2, -6), Qt::AlignCenter, m_subtitle);
    }
    if (chosen) {
        // A tick in the corner marks the choice.
        QPainterPath tick;
        const double s = height() > 40 ? 1.0 : 0.8;
        const QPointF origin(width() - 14 * s, 5 * s);
        tick.moveTo(origin + QPointF(0, 4 * s));
        tick.lineTo(origin + QPointF(3 * s, 7 * s));
        tick.lineTo(origin + QPointF(9 * s, 0));
        painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
    PaintFocusMark(painter, m_accent.darker(140));
}

}  // namespace mw
