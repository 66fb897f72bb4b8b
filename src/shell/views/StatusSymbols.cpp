#include "shell/views/StatusSymbols.h"

#include <array>

#include <QPainter>

#include "platform/linux/display/SymbolPainting.h"

namespace qm::StatusSymbols {

namespace {

using namespace SymbolPainting;

void checkmark(QPainter& p, const QColor& c)
{
    QPainterPath tick;
    tick.moveTo(4.5, 12.5);
    tick.lineTo(9.5, 17.5);
    tick.lineTo(19.5, 6.5);
    stroke(p, tick, c, 2.6);
}

// The stroke and the point of an exclamation mark, from `top` down.
QPainterPath exclamation(qreal top)
{
    QPainterPath mark = roundedRect(10.9, top, 2.2, 7.5, 1.1);
    mark.addPath(circle({12, top + 10}, 1.3));
    return mark;
}

void infoCircle(QPainter& p, const QColor& c)
{
    stroke(p, circle({12, 12}, 9.5), c, lineWidth);
    fill(p, circle({12, 7.6}, 1.35), c);
    fill(p, roundedRect(10.95, 10.3, 2.1, 7.2, 1.05), c);
}

void exclamationmarkCircleFill(QPainter& p, const QColor& c)
{
    fill(p, circle({12, 12}, 10), c);
    cutOut(p, exclamation(6));
}

void exclamationmarkTriangle(QPainter& p, const QColor& c)
{
    QPainterPath triangle;
    triangle.moveTo(12, 3);
    triangle.lineTo(21.5, 20.5);
    triangle.lineTo(2.5, 20.5);
    triangle.closeSubpath();
    stroke(p, triangle, c, lineWidth);
    QPainterPath mark = roundedRect(11.05, 8.8, 1.9, 6.2, 0.95);
    mark.addPath(circle({12, 17.4}, 1.15));
    fill(p, mark, c);
}

// A four-pointed star with concave sides.
QPainterPath star(QPointF centre, qreal radius)
{
    QPainterPath path;
    const qreal pinch = radius * 0.18;
    path.moveTo(centre.x(), centre.y() - radius);
    path.quadTo(centre.x() + pinch, centre.y() - pinch, centre.x() + radius, centre.y());
    path.quadTo(centre.x() + pinch, centre.y() + pinch, centre.x(), centre.y() + radius);
    path.quadTo(centre.x() - pinch, centre.y() + pinch, centre.x() - radius, centre.y());
    path.quadTo(centre.x() - pinch, centre.y() - pinch, centre.x(), centre.y() - radius);
    return path;
}

void sparkles(QPainter& p, const QColor& c)
{
    fill(p, star({10, 13}, 9), c);
    fill(p, star({19, 5}, 4.2), c);
    fill(p, star({19.5, 19}, 3), c);
}

// A flame with a smaller one burning inside it.
void flame(QPainter& p, const QColor& c)
{
    QPainterPath outer;
    outer.moveTo(12, 1.5);
    outer.cubicTo(13, 6, 19.5, 8.5, 19.5, 14.5);
    outer.cubicTo(19.5, 19, 16, 22.5, 12, 22.5);
    outer.cubicTo(8, 22.5, 4.5, 19, 4.5, 14.5);
    outer.cubicTo(4.5, 11, 6.5, 9, 8, 7.5);
    outer.cubicTo(8, 10, 9, 11.5, 10, 12);
    outer.cubicTo(10, 8, 11, 4.5, 12, 1.5);
    fill(p, outer, c);
    QPainterPath inner;
    inner.moveTo(12, 12.5);
    inner.cubicTo(12.5, 15, 15.5, 16, 15.5, 18.5);
    inner.cubicTo(15.5, 20.2, 14, 21, 12, 21);
    inner.cubicTo(10, 21, 8.5, 20.2, 8.5, 18.5);
    inner.cubicTo(8.5, 16, 11.5, 15, 12, 12.5);
    cutOut(p, inner);
}

// A cup with two handles on a stem and a base.
void trophy(QPainter& p, const QColor& c)
{
    QPainterPath cup;
    cup.moveTo(6, 2.5);
    cup.lineTo(18, 2.5);
    cup.lineTo(18, 8.5);
    cup.cubicTo(18, 12.5, 15.5, 15, 12, 15);
    cup.cubicTo(8.5, 15, 6, 12.5, 6, 8.5);
    cup.closeSubpath();
    fill(p, cup, c);
    QPainterPath handles;
    handles.moveTo(6, 4.5);
    handles.cubicTo(2, 4.5, 2, 10.5, 7, 11);
    handles.moveTo(18, 4.5);
    handles.cubicTo(22, 4.5, 22, 10.5, 17, 11);
    stroke(p, handles, c, 1.7);
    fill(p, roundedRect(10.8, 14, 2.4, 4.5, 0.5), c);
    fill(p, roundedRect(7, 18.5, 10, 3, 1.2), c);
}

constexpr std::array<SymbolLookup::Entry, 7> kEntries{{
    {"checkmark", checkmark},
    {"info.circle", infoCircle},
    {"exclamationmark.circle.fill", exclamationmarkCircleFill},
    {"exclamationmark.triangle", exclamationmarkTriangle},
    {"sparkles", sparkles},
    {"flame.fill", flame},
    {"trophy.fill", trophy},
}};

}  // namespace

std::span<const SymbolLookup::Entry> entries()
{
    return kEntries;
}

}  // namespace qm::StatusSymbols
