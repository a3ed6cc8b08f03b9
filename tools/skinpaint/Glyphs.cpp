#include "Glyphs.h"

#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

void DrawPlayGlyph(QPainter& p, const QRectF& box, const QColor& color) {
    const QPolygonF triangle({box.topLeft() + QPointF(box.width() * 0.18, 0),
                              QPointF(box.right(), box.center().y()),
                              box.bottomLeft() + QPointF(box.width() * 0.18, 0)});
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(triangle);
}

void DrawStarGlyph(QPainter& p, QPointF centre, double radius, const QColor& color) {
    QPolygonF star;
    for (int i = 0; i < 8; ++i) {
        const double angle = M_PI / 4 * i - M_PI / 2;
        const double r = i % 2 == 0 ? radius : radius * 0.32;
        star << centre + QPointF(std::cos(angle) * r, std::sin(angle) * r);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(star);
}

void DrawNoteGlyph(QPainter& p, const QRectF& box, const QColor& color) {
    const double w = box.width();
    const double h = box.height();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(box.left(), box.top() + h * 0.70, w * 0.42, h * 0.30));
    p.drawEllipse(QRectF(box.left() + w * 0.56, box.top() + h * 0.60, w * 0.42, h * 0.30));
    p.drawRect(QRectF(box.left() + w * 0.32, box.top() + h * 0.12, w * 0.10, h * 0.74));
    p.drawRect(QRectF(box.left() + w * 0.88, box.top() + h * 0.02, w * 0.10, h * 0.74));
    QPolygonF beam({QPointF(box.left() + w * 0.32, box.top() + h * 0.12),
                    QPointF(box.left() + w * 0.98, box.top() + h * 0.02),
                    QPointF(box.left() + w * 0.98, box.top() + h * 0.20),
                    QPointF(box.left() + w * 0.32, box.top() + h * 0.30)});
    p.drawPolygon(beam);
}

void DrawArrowDown(QPainter& p, const QRectF& box, const QColor& color) {
    const double w = box.width();
    const double h = box.height();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRectF(box.left() + w * 0.36, box.top(), w * 0.28, h * 0.55));
    p.drawPolygon(QPolygonF({QPointF(box.left(), box.top() + h * 0.50),
                             QPointF(box.right(), box.top() + h * 0.50),
                             QPointF(box.center().x(), box.bottom())}));
}

void DrawArrowRight(QPainter& p, const QRectF& box, const QColor& color) {
    const double w = box.width();
    const double h = box.height();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRectF(box.left(), box.top() + h * 0.36, w * 0.55, h * 0.28));
    p.drawPolygon(QPolygonF({QPointF(box.left() + w * 0.50, box.top()),
                             QPointF(box.right(), box.center().y()),
                             QPointF(box.left() + w * 0.50, box.bottom())}));
}

void DrawFilmStrip(QPainter& p, const QRectF& box, const QColor& body, const QColor& holes) {
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(box, 4, 4);
    const double hole = box.height() * 0.12;
    p.setBrush(holes);
    for (double x = box.left() + hole; x + hole < box.right(); x += hole * 2) {
        p.drawRect(QRectF(x, box.top() + hole * 0.5, hole, hole));
        p.drawRect(QRectF(x, box.bottom() - hole * 1.5, hole, hole));
    }
    const QRectF frame = box.adjusted(hole, hole * 2.2, -hole, -hole * 2.2);
    p.drawRect(frame);
    DrawPlayGlyph(p,
                  QRectF(frame.center() - QPointF(frame.height() * 0.25, frame.height() * 0.3),
                         QSizeF(frame.height() * 0.55, frame.height() * 0.6)),
                  body);
}

void DrawPhoneGlyph(QPainter& p, const QRectF& box, const QColor& color) {
    const double w = box.height() * 0.55;
    const QRectF phone(box.center().x() - w / 2, box.top(), w, box.height());
    p.setPen(QPen(color, box.height() * 0.07));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(phone, w * 0.18, w * 0.18);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(phone.center().x(), phone.bottom() - box.height() * 0.11),
                  box.height() * 0.05, box.height() * 0.05);
}

void DrawDiscGlyph(QPainter& p, const QRectF& box, const QColor& color) {
    QPainterPath disc;
    disc.addEllipse(box);
    QPainterPath hole;
    hole.addEllipse(box.center(), box.width() * 0.12, box.height() * 0.12);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(disc.subtracted(hole));
}

void DrawBrandMark(QPainter& p, const QRectF& box, const QColor& tile, const QColor& glyph) {
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(box, box.width() * 0.22, box.height() * 0.22);
    DrawPlayGlyph(p,
                  box.adjusted(box.width() * 0.26, box.height() * 0.24, -box.width() * 0.22,
                               -box.height() * 0.24),
                  glyph);
    DrawStarGlyph(p, box.topRight() + QPointF(-box.width() * 0.2, box.height() * 0.2),
                  box.width() * 0.2, glyph);
}
