#include "shell/views/ToolSymbols.h"

#include <array>
#include <cmath>

#include <QPainter>
#include <QtMath>

#include "platform/linux/display/SymbolPainting.h"

namespace qm::ToolSymbols {

namespace {

using namespace SymbolPainting;

// Three rails, each with its knob at another place.
void sliders(QPainter& p, const QColor& c)
{
    const std::array<QPointF, 3> knobs{{{15.5, 5.5}, {8, 12}, {13, 18.5}}};
    for (const QPointF knob : knobs) {
        stroke(p, line({2.5, knob.y()}, {21.5, knob.y()}), c, lineWidth);
        cutOut(p, circle(knob, 3.9));
        stroke(p, circle(knob, 2.5), c, lineWidth);
    }
}

void keyboard(QPainter& p, const QColor& c)
{
    stroke(p, roundedRect(2, 5.5, 20, 13, 2.5), c, lineWidth);
    for (int row = 0; row < 2; ++row) {
        for (int key = 0; key < 4; ++key) {
            fill(p, roundedRect(5.2 + key * 3.8, 8.3 + row * 3.2, 2.2, 2.2, 0.5), c);
        }
    }
    fill(p, roundedRect(8, 14.6, 8, 2, 0.8), c);
}

void magnifyingGlass(QPainter& p, const QColor& c)
{
    stroke(p, circle({10, 10}, 6.5), c, 2.2);
    stroke(p, line({14.8, 14.8}, {20.5, 20.5}), c, 2.8);
}

// One node above, joined to three below.
void network(QPainter& p, const QColor& c)
{
    fill(p, circle({12, 4.5}, 2.8), c);
    QPainterPath links = line({12, 7}, {12, 17});
    links.moveTo(5, 17);
    links.lineTo(5, 12);
    links.lineTo(19, 12);
    links.lineTo(19, 17);
    stroke(p, links, c, lineWidth);
    for (const qreal x : {5.0, 12.0, 19.0}) {
        fill(p, circle({x, 19}, 2.8), c);
    }
}

QPainterPath arrowHead(QPointF tip)
{
    QPainterPath head;
    head.moveTo(tip.x() - 3.2, tip.y() + 3.4);
    head.lineTo(tip);
    head.lineTo(tip.x() + 3.2, tip.y() + 3.4);
    return head;
}

// A path that goes straight on while a branch leaves it to the right.
void arrowTriangleBranch(QPainter& p, const QColor& c)
{
    QPainterPath trunk = line({7, 21.5}, {7, 3});
    trunk.addPath(arrowHead({7, 3}));
    trunk.moveTo(7, 16);
    trunk.cubicTo(7, 11, 17, 12, 17, 6.5);
    trunk.lineTo(17, 3);
    trunk.addPath(arrowHead({17, 3}));
    stroke(p, trunk, c, lineWidth);
}

QPainterPath shieldPath()
{
    QPainterPath shield;
    shield.moveTo(12, 2);
    shield.lineTo(20, 5);
    shield.cubicTo(20, 13, 17.5, 18.5, 12, 22);
    shield.cubicTo(6.5, 18.5, 4, 13, 4, 5);
    shield.closeSubpath();
    return shield;
}

// A shield with a padlock on it.
void lockShield(QPainter& p, const QColor& c)
{
    stroke(p, shieldPath(), c, lineWidth);
    fill(p, roundedRect(8.6, 10.8, 6.8, 5.4, 1.2), c);
    QPainterPath shackle;
    shackle.moveTo(10, 11);
    shackle.lineTo(10, 9.2);
    shackle.arcTo(QRectF(10, 7.2, 4, 4), 180, -180);
    shackle.lineTo(14, 11);
    stroke(p, shackle, c, 1.5);
}

void documentText(QPainter& p, const QColor& c)
{
    stroke(p, roundedRect(5, 2.5, 14, 19, 2.5), c, lineWidth);
    QPainterPath lines = line({8.5, 8.5}, {15.5, 8.5});
    lines.addPath(line({8.5, 12}, {15.5, 12}));
    lines.addPath(line({8.5, 15.5}, {12.5, 15.5}));
    stroke(p, lines, c, 1.7);
}

QPainterPath bubble(const QRectF& oval, QPointF tailStart, QPointF tip, QPointF tailEnd)
{
    QPainterPath tail;
    tail.moveTo(tailStart);
    tail.lineTo(tip);
    tail.lineTo(tailEnd);
    tail.closeSubpath();
    QPainterPath path;
    path.addEllipse(oval);
    return path.united(tail);
}

// Two speech bubbles, the left one in front.
void bubblesOutline(QPainter& p, const QColor& c)
{
    stroke(p, bubble(QRectF(9.5, 8, 12.5, 10), {18, 15.5}, {21.5, 20}, {15.5, 17.6}), c, lineWidth);
    const QPainterPath front = bubble(QRectF(2, 3, 12.5, 10), {4.5, 10.5}, {2.5, 15.5}, {8, 12.6});
    QPainterPathStroker margin;
    margin.setWidth(4.5);
    cutOut(p, front.united(margin.createStroke(front)));
    stroke(p, front, c, lineWidth);
}

// A tray with papers stacked in it.
void trayFull(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(2.5, 11, 19, 10.5, 2.5), c);
    cutOut(p, roundedRect(7.5, 9, 9, 5, 1.5));
    fill(p, roundedRect(5, 3, 14, 2.2, 1.1), c);
    fill(p, roundedRect(5, 6.8, 14, 2.2, 1.1), c);
}

QPainterPath downArrow()
{
    QPainterPath arrow = line({12, 6.5}, {12, 16.5});
    arrow.moveTo(7.8, 12.6);
    arrow.lineTo(12, 16.8);
    arrow.lineTo(16.2, 12.6);
    return arrow;
}

void arrowDownCircle(QPainter& p, const QColor& c)
{
    stroke(p, circle({12, 12}, 9.5), c, lineWidth);
    stroke(p, downArrow(), c, lineWidth);
}

void arrowDownCircleFill(QPainter& p, const QColor& c)
{
    fill(p, circle({12, 12}, 10.5), c);
    cutOutStroke(p, downArrow(), 2.2);
}

// Two arcs chasing each other round a circle, each ending in an arrowhead.
void arrowsInACircle(QPainter& p, const QColor& c)
{
    const QRectF ring(4, 4, 16, 16);
    QPainterPath arcs;
    arcs.arcMoveTo(ring, 200);
    arcs.arcTo(ring, 200, -150);
    arcs.arcMoveTo(ring, 20);
    arcs.arcTo(ring, 20, -150);
    stroke(p, arcs, c, lineWidth);
    // Each head sits where its arc ends (at 50° and 230°) and points the way
    // the arc runs there: clockwise on the screen, along (sin θ, cos θ).
    for (const qreal end : {50.0, 230.0}) {
        QPainterPath marker;
        marker.arcMoveTo(ring, end);
        const QPointF tip = marker.currentPosition();
        const qreal angle = qDegreesToRadians(end);
        const QPointF along(std::sin(angle), std::cos(angle));
        const QPointF across(along.y(), -along.x());
        QPainterPath head;
        head.moveTo(tip - 3.6 * along + 3.6 * across);
        head.lineTo(tip);
        head.lineTo(tip - 3.6 * along - 3.6 * across);
        stroke(p, head, c, lineWidth);
    }
}

constexpr std::array<SymbolLookup::Entry, 12> kEntries{{
    {"slider.horizontal.3", sliders},
    {"keyboard", keyboard},
    {"magnifyingglass", magnifyingGlass},
    {"network", network},
    {"arrow.triangle.branch", arrowTriangleBranch},
    {"lock.shield", lockShield},
    {"doc.text", documentText},
    {"bubble.left.and.bubble.right", bubblesOutline},
    {"tray.full.fill", trayFull},
    {"arrow.down.circle", arrowDownCircle},
    {"arrow.down.circle.fill", arrowDownCircleFill},
    {"arrow.triangle.2.circlepath", arrowsInACircle},
}};

}  // namespace

std::span<const SymbolLookup::Entry> entries()
{
    return kEntries;
}

}  // namespace qm::ToolSymbols
