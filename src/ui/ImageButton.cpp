#include "ImageButton.h"

#include <QPainter>

namespace mw {

ImageButton::ImageButton(QWidget* parent) : HoverButton(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ImageButton::SetPictures(std::vector<QPixmap> pictures) {
    m_pictures = std::move(pictures);
    if (!m_pictures.empty()) {
        setFixedSize(m_pictures.front().size());
    }
    update();
}

void ImageButton::SetCaptionColors(const QColor& normal, const QColor& disabled) {
    m_caption = normal;
    m_disabledCaption = disabled;
    update();
}

QSize ImageButton::sizeHint() const {
    return m_pictures.empty() ? QSize(80, 28) : m_pictures.front().size();
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::size_t state = 0;
    if (!isEnabled() && m_pictures.size() > 3) {
        state = 3;
    } else if (isEnabled() && isDown()) {
        state = 2;
    } else if (isEnabled() && Hovered()) {
        state = 1;
    }
    if (state < m_pictures.size()) {
        painter.drawPixmap(0, 0, m_pictures[state]);
    }
    if (!text().isEmpty()) {
        QFont font = painter.font();
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(isEnabled() ? m_caption : m_disabledCaption);
        const QRect area = rect().translated(0, state == 2 ? 1 : 0);
        painter.drawText(area, Qt::AlignCenter | Qt::TextShowMnemonic, text());
    }
    PaintFocusMark(painter, m_caption);
}

}  // namespace mw
