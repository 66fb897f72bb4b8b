#include "shell/views/SymbolIcon.h"

#include <array>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

#include "platform/linux/display/SymbolPainting.h"
#include "shell/views/ClockSymbols.h"
#include "shell/views/StatusSymbols.h"
#include "shell/views/ToolSymbols.h"

namespace qm {

namespace {

using namespace SymbolPainting;

void documents(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(8, 2, 13, 16, 2.5), c);
    cutOut(p, roundedRect(4.5, 5.5, 14, 17, 3));
    fill(p, roundedRect(5.5, 6.5, 12, 15, 2.5), c);
}

void documentText(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(4, 2, 16, 20, 3), c);
    for (int line = 0; line < 3; ++line) {
        cutOut(p, roundedRect(7.5, 8 + line * 4, line == 2 ? 6 : 9, 1.8, 0.9));
    }
}

void pencil(QPainter& p, const QColor& c)
{
    p.save();
    p.translate(12, 11);
    p.rotate(-45);
    QPainterPath body;
    body.addRoundedRect(QRectF(-9, -2.6, 14, 5.2), 1, 1);
    QPainterPath tip;
    tip.moveTo(5.8, -2.6);
    tip.lineTo(10, 0);
    tip.lineTo(5.8, 2.6);
    tip.closeSubpath();
    fill(p, body, c);
    fill(p, tip, c);
    p.restore();
    fill(p, roundedRect(3, 20, 18, 1.8, 0.9), c);
}

void bell(QPainter& p, const QColor& c)
{
    QPainterPath path;
    path.moveTo(12, 3);
    path.cubicTo(7, 3, 6, 7.5, 6, 11);
    path.lineTo(6, 14.5);
    path.lineTo(3.5, 17.5);
    path.lineTo(20.5, 17.5);
    path.lineTo(18, 14.5);
    path.lineTo(18, 11);
    path.cubicTo(18, 7.5, 17, 3, 12, 3);
    fill(p, path, c);
    QPainterPath clapper;
    clapper.addEllipse(QPointF(12, 19.8), 2.6, 2.2);
    fill(p, clapper, c);
}

void bubbles(QPainter& p, const QColor& c)
{
    QPainterPath right;
    right.addEllipse(QRectF(9, 7, 13.5, 10.5));
    right.moveTo(19, 15);
    right.lineTo(22, 20);
    right.lineTo(15.5, 17);
    fill(p, right, c);
    QPainterPath gap;
    gap.addEllipse(QRectF(0.5, 2, 15.5, 12.5));
    cutOut(p, gap);
    QPainterPath left;
    left.addEllipse(QRectF(1.5, 3, 13.5, 10.5));
    left.moveTo(4, 11);
    left.lineTo(2, 16);
    left.lineTo(8, 13);
    fill(p, left, c);
}

void speakerBody(QPainter& p, const QColor& c)
{
    QPainterPath path;
    path.moveTo(2.5, 9);
    path.lineTo(6.5, 9);
    path.lineTo(11.5, 4.5);
    path.lineTo(11.5, 19.5);
    path.lineTo(6.5, 15);
    path.lineTo(2.5, 15);
    path.closeSubpath();
    fill(p, path, c);
}

void speakerWaves(QPainter& p, const QColor& c)
{
    speakerBody(p, c);
    p.save();
    QPen pen(c, 1.9, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(8.5, 7.5, 8, 9), -50 * 16, 100 * 16);
    p.drawArc(QRectF(8, 4, 13.5, 16), -55 * 16, 110 * 16);
    p.restore();
}

void speakerSlash(QPainter& p, const QColor& c)
{
    speakerBody(p, c);
    p.save();
    p.setPen(QPen(c, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.5, 8), QPointF(21.5, 16));
    p.drawLine(QPointF(21.5, 8), QPointF(14.5, 16));
    p.restore();
}

void warningTriangle(QPainter& p, const QColor& c)
{
    QPainterPath triangle;
    triangle.moveTo(12, 2.5);
    triangle.lineTo(22.5, 21);
    triangle.lineTo(1.5, 21);
    triangle.closeSubpath();
    p.save();
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(c);
    p.drawPath(triangle);
    p.restore();
    cutOut(p, roundedRect(10.9, 8, 2.2, 7.5, 1.1));
    QPainterPath dot;
    dot.addEllipse(QPointF(12, 18), 1.3, 1.3);
    cutOut(p, dot);
}

void person(QPainter& p, const QColor& c)
{
    QPainterPath head;
    head.addEllipse(QPointF(12, 7.5), 4.5, 4.5);
    fill(p, head, c);
    QPainterPath body;
    body.moveTo(3.5, 21.5);
    body.cubicTo(3.5, 15.5, 7.5, 13.5, 12, 13.5);
    body.cubicTo(16.5, 13.5, 20.5, 15.5, 20.5, 21.5);
    body.closeSubpath();
    fill(p, body, c);
}

void gear(QPainter& p, const QColor& c)
{
    QPainterPath wheel;
    wheel.addEllipse(QPointF(12, 12), 7, 7);
    for (int tooth = 0; tooth < 8; ++tooth) {
        const double angle = tooth * M_PI / 4;
        QPainterPath bump;
        bump.addRoundedRect(QRectF(-2, -10.5, 4, 5), 1, 1);
        QTransform turn;
        turn.translate(12, 12);
        turn.rotateRadians(angle);
        wheel = wheel.united(turn.map(bump));
    }
    fill(p, wheel, c);
    QPainterPath hole;
    hole.addEllipse(QPointF(12, 12), 3, 3);
    cutOut(p, hole);
}

void checkmarkCircle(QPainter& p, const QColor& c)
{
    QPainterPath disc;
    disc.addEllipse(QPointF(12, 12), 10, 10);
    fill(p, disc, c);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(QPen(Qt::transparent, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(7, 12.5);
    tick.lineTo(10.5, 16);
    tick.lineTo(17, 8.5);
    p.drawPath(tick);
    p.restore();
}

QPainterPath arrowPath(qreal left, qreal right, qreal y, qreal head)
{
    QPainterPath path;
    path.moveTo(left, y);
    path.lineTo(right, y);
    path.moveTo(right - head, y - head);
    path.lineTo(right, y);
    path.lineTo(right - head, y + head);
    return path;
}

void arrowRight(QPainter& p, const QColor& c)
{
    stroke(p, arrowPath(3.5, 20.5, 12, 6.5), c, 2.6);
}

void arrowRightCircle(QPainter& p, const QColor& c)
{
    QPainterPath disc;
    disc.addEllipse(QPointF(12, 12), 10.5, 10.5);
    fill(p, disc, c);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    stroke(p, arrowPath(6.5, 17.5, 12, 4.5), Qt::transparent, 2.4);
    p.restore();
}

// A twelve-scalloped seal with a tick cut out of it.
void checkmarkSeal(QPainter& p, const QColor& c)
{
    QPainterPath seal;
    constexpr int points = 24;
    for (int i = 0; i <= points; ++i) {
        const double angle = i * 2 * M_PI / points - M_PI / 2;
        const double radius = i % 2 == 0 ? 11 : 9.3;
        const QPointF at(12 + radius * std::cos(angle), 12 + radius * std::sin(angle));
        i == 0 ? seal.moveTo(at) : seal.lineTo(at);
    }
    fill(p, seal, c);
    QPainterPath tick;
    tick.moveTo(7.5, 12.5);
    tick.lineTo(10.8, 15.8);
    tick.lineTo(16.5, 9);
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    stroke(p, tick, Qt::transparent, 2.4);
    p.restore();
}

// A raised index finger with the rings of a tap above it.
void handTap(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(9.5, 6.5, 4, 11, 2), c);
    fill(p, roundedRect(7, 12, 12, 10, 4), c);
    QPainterPath ring;
    ring.addEllipse(QPointF(11.5, 6.5), 5.2, 5.2);
    stroke(p, ring, c, 1.4);
}

void bellBadge(QPainter& p, const QColor& c)
{
    bell(p, c);
    QPainterPath badge;
    badge.addEllipse(QPointF(18.5, 5.5), 4.8, 4.8);
    cutOut(p, badge);
    QPainterPath dotPath;
    dotPath.addEllipse(QPointF(18.5, 5.5), 3.4, 3.4);
    fill(p, dotPath, c);
}

// Three ticked lines.
void checklist(QPainter& p, const QColor& c)
{
    for (int row = 0; row < 3; ++row) {
        const qreal y = 5.5 + row * 6.5;
        QPainterPath tick;
        tick.moveTo(2.5, y);
        tick.lineTo(4.3, y + 1.8);
        tick.lineTo(7.5, y - 1.8);
        stroke(p, tick, c, 1.8);
        fill(p, roundedRect(10, y - 1, 12, 2.2, 1.1), c);
    }
}

void calendarBadgePlus(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(2.5, 4, 17, 16, 3), c);
    cutOut(p, roundedRect(4.5, 9, 13, 9, 1.5));
    fill(p, roundedRect(6, 2, 2, 4, 1), c);
    fill(p, roundedRect(14, 2, 2, 4, 1), c);
    QPainterPath badge;
    badge.addEllipse(QPointF(18, 17.5), 5.5, 5.5);
    cutOut(p, badge);
    QPainterPath plus;
    plus.moveTo(18, 14.5);
    plus.lineTo(18, 20.5);
    plus.moveTo(15, 17.5);
    plus.lineTo(21, 17.5);
    stroke(p, plus, c, 1.9);
}

constexpr std::array<SymbolLookup::Entry, 21> kDrawings{{
    {"doc.on.doc.fill", documents},
    {"doc.on.doc", documents},
    {"doc.text.fill", documentText},
    {"pencil.and.outline", pencil},
    {"bell.fill", bell},
    {"bubble.left.and.bubble.right.fill", bubbles},
    {"speaker.slash.fill", speakerSlash},
    {"speaker.wave.2.fill", speakerWaves},
    {"exclamationmark.triangle.fill", warningTriangle},
    {"person.fill", person},
    {"person", person},
    {"gearshape.fill", gear},
    {"gearshape", gear},
    {"checkmark.circle.fill", checkmarkCircle},
    {"arrow.right", arrowRight},
    {"arrow.right.circle.fill", arrowRightCircle},
    {"checkmark.seal.fill", checkmarkSeal},
    {"hand.tap.fill", handTap},
    {"bell.badge.fill", bellBadge},
    {"checklist", checklist},
    {"calendar.badge.plus", calendarBadgePlus},
}};

}  // namespace

const SymbolLookup& SymbolIcon::lookup()
{
    static const SymbolLookup tools(ToolSymbols::entries());
    static const SymbolLookup status(StatusSymbols::entries(), &tools);
    static const SymbolLookup clocks(ClockSymbols::entries(), &status);
    static const SymbolLookup own(kDrawings, &clocks);
    return own;
}

bool SymbolIcon::isKnown(std::string_view name)
{
    return lookup().isKnown(name);
}

QPixmap SymbolIcon::pixmap(std::string_view name, const QColor& color, int size, qreal devicePixelRatio)
{
    return lookup().pixmap(name, color, size, devicePixelRatio);
}

}  // namespace qm
