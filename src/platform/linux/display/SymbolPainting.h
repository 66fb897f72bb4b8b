#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

// The strokes every symbol drawing is made of, in the drawings' 24 × 24 box:
// filled shapes, holes cut through what is drawn so far, and round-capped
// lines, so the symbols of all windows share one look.
namespace qm::SymbolPainting {

// The width of the lines of the outlined symbols.
constexpr qreal lineWidth = 1.9;

QPainterPath roundedRect(qreal x, qreal y, qreal w, qreal h, qreal r);
QPainterPath circle(QPointF centre, qreal radius);
QPainterPath line(QPointF from, QPointF to);

void fill(QPainter& p, const QPainterPath& path, const QColor& color);
// Clears `path` back to transparent.
void cutOut(QPainter& p, const QPainterPath& path);
// A round-capped, round-joined line along `path`.
void stroke(QPainter& p, const QPainterPath& path, const QColor& color, qreal width);
// Clears a round-capped line of `width` along `path`.
void cutOutStroke(QPainter& p, const QPainterPath& path, qreal width);
// Clears a bold `glyph` of `pixelSize`, centred in `box`.
void glyphCutOut(QPainter& p, const QRectF& box, const QString& glyph, qreal pixelSize);

}  // namespace qm::SymbolPainting
