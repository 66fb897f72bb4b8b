#include "shell/views/ClockSymbols.h"

#include <array>
#include <cmath>
#include <numbers>

#include <QPainter>

#include "platform/linux/display/SymbolPainting.h"

namespace qm::ClockSymbols {

namespace {

using namespace SymbolPainting;

// A stopwatch: the dial, the crown on top and one hand.
void timer(QPainter& p, const QColor& c)
{
    stroke(p, circle({12, 13.5}, 8), c, lineWidth);
    stroke(p, line({9.5, 2.5}, {14.5, 2.5}), c, lineWidth);
    stroke(p, line({12, 2.5}, {12, 5.5}), c, lineWidth);
    stroke(p, line({12, 13.5}, {15.5, 10}), c, lineWidth);
    fill(p, circle({12, 13.5}, 1.5), c);
}

// An alarm clock: the dial with two hands, a bell on each shoulder and feet.
void alarm(QPainter& p, const QColor& c)
{
    stroke(p, circle({12, 13}, 7.5), c, lineWidth);
    QPainterPath hands;
    hands.moveTo(12, 8.5);
    hands.lineTo(12, 13);
    hands.lineTo(15, 14.8);
    stroke(p, hands, c, lineWidth);
    for (const qreal side : {-1.0, 1.0}) {
        const QPointF centre(12 + side * 7.2, 5.2);
        QPainterPath bell;
        bell.moveTo(centre);
        bell.arcTo(QRectF(centre - QPointF(3.4, 3.4), QSizeF(6.8, 6.8)), side < 0 ? 45 : -45, 180);
        bell.closeSubpath();
        fill(p, bell, c);
        stroke(p, line({12 + side * 5, 19}, {12 + side * 6.8, 21.5}), c, lineWidth);
    }
}

// A clock face inside an arrow that runs back around it.
void clockArrowCirclepath(QPainter& p, const QColor& c)
{
    const QRectF ring(3, 3, 18, 18);
    QPainterPath arc;
    arc.arcMoveTo(ring, 200);
    arc.arcTo(ring, 200, -320);
    stroke(p, arc, c, lineWidth);
    const double angle = 200 * std::numbers::pi / 180;
    const QPointF end(12 + 9 * std::cos(angle), 12 - 9 * std::sin(angle));
    QPainterPath head;
    head.moveTo(end + QPointF(-3.2, -1.6));
    head.lineTo(end + QPointF(0.4, 3.2));
    head.lineTo(end + QPointF(3.2, -1.2));
    head.closeSubpath();
    fill(p, head, c);
    QPainterPath hands;
    hands.moveTo(12, 7.5);
    hands.lineTo(12, 12);
    hands.lineTo(15, 14);
    stroke(p, hands, c, lineWidth);
}

// A calendar page: rings on top, a filled header and a grid of days.
void calendar(QPainter& p, const QColor& c)
{
    stroke(p, roundedRect(3, 4.5, 18, 16.5, 3), c, lineWidth);
    fill(p, roundedRect(3, 4.5, 18, 4.5, 2), c);
    fill(p, roundedRect(3, 7, 18, 2, 0), c);
    for (const qreal x : {7.5, 16.5}) {
        stroke(p, line({x, 2.5}, {x, 5.5}), c, lineWidth);
    }
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 4; ++column) {
            fill(p, roundedRect(5.6 + column * 3.5, 11.6 + row * 3.8, 2, 2, 0.5), c);
        }
    }
}

// A crescent moon with the zeds of sleep above it.
void moonZzz(QPainter& p, const QColor& c)
{
    const QPainterPath moon = circle({10, 14.5}, 7.5).subtracted(circle({14.5, 10.5}, 6));
    stroke(p, moon, c, lineWidth);
    QPainterPath zeds;
    zeds.moveTo(13.5, 2);
    zeds.lineTo(18, 2);
    zeds.lineTo(13.5, 6.5);
    zeds.lineTo(18, 6.5);
    zeds.moveTo(19, 8.5);
    zeds.lineTo(22, 8.5);
    zeds.lineTo(19, 11.5);
    zeds.lineTo(22, 11.5);
    stroke(p, zeds, c, 1.8);
}

void sun(QPainter& p, const QColor& c)
{
    fill(p, circle({12, 12}, 5), c);
    QPainterPath rays;
    for (int ray = 0; ray < 8; ++ray) {
        const double angle = ray * std::numbers::pi / 4;
        rays.moveTo(12 + 7.5 * std::cos(angle), 12 + 7.5 * std::sin(angle));
        rays.lineTo(12 + 10.5 * std::cos(angle), 12 + 10.5 * std::sin(angle));
    }
    stroke(p, rays, c, 2);
}

constexpr std::array<SymbolLookup::Entry, 6> kEntries{{
    {"timer", timer},
    {"alarm", alarm},
    {"clock.arrow.circlepath", clockArrowCirclepath},
    {"calendar", calendar},
    {"moon.zzz", moonZzz},
    {"sun.max.fill", sun},
}};

}  // namespace

std::span<const SymbolLookup::Entry> entries()
{
    return kEntries;
}

}  // namespace qm::ClockSymbols
