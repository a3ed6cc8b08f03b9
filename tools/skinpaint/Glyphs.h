#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

// Simple vector glyphs shared by the logos, the page pictures and the icons.
void DrawPlayGlyph(QPainter& p, const QRectF& box, const QColor& color);
void DrawStarGlyph(QPainter& p, QPointF centre, double radius, const QColor& color);
void DrawNoteGlyph(QPainter& p, const QRectF& box, const QColor& color);
void DrawArrowDown(QPainter& p, const QRectF& box, const QColor& color);
void DrawArrowRight(QPainter& p, const QRectF& box, const QColor& color);
void DrawFilmStrip(QPainter& p, const QRectF& box, const QColor& body, const QColor& holes);
void DrawPhoneGlyph(QPainter& p, const QRectF& box, const QColor& color);
void DrawDiscGlyph(QPainter& p, const QRectF& box, const QColor& color);
// The brand mark: a rounded tile with a play triangle and a spark.
void DrawBrandMark(QPainter& p, const QRectF& box, const QColor& tile, const QColor& glyph);
