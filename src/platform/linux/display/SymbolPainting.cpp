#include "platform/linux/display/SymbolPainting.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPathStroker>

namespace qm::SymbolPainting {

QPainterPath roundedRect(qreal x, qreal y, qreal w, qreal h, qreal r)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

QPainterPath circle(QPointF centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QPainterPath line(QPointF from, QPointF to)
{
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    return path;
}

void fill(QPainter& p, const QPainterPath& path, const QColor& color)
{
    p.fillPath(path, color);
}

void cutOut(QPainter& p, const QPainterPath& path)
{
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(path, Qt::transparent);
    p.restore();
}

void stroke(QPainter& p, const QPainterPath& path, const QColor& color, qreal width)
{
    p.save();
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.restore();
}

void cutOutStroke(QPainter& p, const QPainterPath& path, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    cutOut(p, stroker.createStroke(path));
}

void glyphCutOut(QPainter& p, const QRectF& box, const QString& glyph, qreal pixelSize)
{
    QFont font;
    font.setBold(true);
    font.setPixelSize(static_cast<int>(pixelSize));
    const QRectF bounds = QFontMetricsF(font).tightBoundingRect(glyph);
    QPainterPath path;
    path.addText(box.center().x() - bounds.center().x(), box.center().y() - bounds.center().y(), font, glyph);
    cutOut(p, path);
}

}  // namespace qm::SymbolPainting
