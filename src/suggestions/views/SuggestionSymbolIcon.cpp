#include "suggestions/views/SuggestionSymbolIcon.h"

#include <array>

#include <QPainter>
#include <QPainterPath>

#include "platform/linux/display/SymbolPainting.h"
#include "shell/views/SymbolIcon.h"

namespace qm {

namespace {

using namespace SymbolPainting;

void key(QPainter& p, const QColor& c)
{
    QPainterPath head;
    head.addEllipse(QPointF(7.5, 12), 5.5, 5.5);
    fill(p, head, c);
    QPainterPath hole;
    hole.addEllipse(QPointF(5.8, 12), 1.8, 1.8);
    cutOut(p, hole);
    fill(p, roundedRect(11, 10.5, 11.5, 3, 1), c);
    fill(p, roundedRect(16, 12, 2.4, 5, 0.8), c);
    fill(p, roundedRect(19.8, 12, 2.4, 4, 0.8), c);
}

void wrenchAndScrewdriver(QPainter& p, const QColor& c)
{
    p.save();
    p.translate(12, 12);
    p.rotate(45);
    fill(p, roundedRect(-1.6, -4, 3.2, 14, 1.4), c);
    QPainterPath jaw;
    jaw.addEllipse(QPointF(0, -6.5), 4.2, 4.2);
    fill(p, jaw, c);
    cutOut(p, roundedRect(-1.4, -12, 2.8, 6.5, 0.6));
    p.rotate(-90);
    fill(p, roundedRect(-2.4, 2, 4.8, 8.5, 1.6), c);
    fill(p, roundedRect(-0.9, -10, 1.8, 12, 0.6), c);
    p.restore();
}

void terminal(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(1.5, 3.5, 21, 17, 3.5), c);
    QPainterPath prompt;
    prompt.moveTo(6, 9);
    prompt.lineTo(9.5, 12);
    prompt.lineTo(6, 15);
    cutOutStroke(p, prompt, 2);
    cutOut(p, roundedRect(11.5, 14.2, 6, 2, 1));
}

void brainHead(QPainter& p, const QColor& c)
{
    QPainterPath head;
    head.moveTo(7, 22);
    head.lineTo(7, 17.5);
    head.cubicTo(4, 15.5, 3, 12.5, 3, 10);
    head.cubicTo(3, 5, 7, 2, 12, 2);
    head.cubicTo(17, 2, 20.5, 5.5, 20.5, 9.5);
    head.lineTo(22, 13.5);
    head.lineTo(20, 14);
    head.lineTo(20, 17);
    head.cubicTo(20, 18.5, 19, 19, 17.5, 19);
    head.lineTo(16, 19);
    head.lineTo(16, 22);
    head.closeSubpath();
    fill(p, head, c);
    QPainterPath folds;
    folds.moveTo(8, 9);
    folds.cubicTo(9, 6.5, 12, 6.5, 12.5, 8.5);
    folds.moveTo(11, 12.5);
    folds.cubicTo(12.5, 10.5, 15.5, 11, 16, 13);
    cutOutStroke(p, folds, 1.5);
}

void appsConnected(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(3, 1.5, 9.5, 9.5, 2.5), c);
    fill(p, roundedRect(11.5, 13, 9.5, 9.5, 2.5), c);
    QPainterPath link;
    link.moveTo(7.75, 11);
    link.lineTo(7.75, 17.75);
    link.lineTo(11.5, 17.75);
    stroke(p, link, c, 1.8);
}

void palette(QPainter& p, const QColor& c)
{
    QPainterPath board;
    board.moveTo(12, 2);
    board.cubicTo(6, 2, 2, 6.5, 2, 12);
    board.cubicTo(2, 17.5, 6.5, 22, 12, 22);
    board.cubicTo(14, 22, 14.5, 20.5, 13.8, 19.2);
    board.cubicTo(13, 17.5, 14, 16, 16, 16);
    board.lineTo(18, 16);
    board.cubicTo(20.5, 16, 22, 14.5, 22, 12);
    board.cubicTo(22, 6.5, 17.5, 2, 12, 2);
    fill(p, board, c);
    for (const QPointF dot : {QPointF(7, 12), QPointF(9, 7.2), QPointF(14.5, 6.5), QPointF(18, 10.5)}) {
        QPainterPath hole;
        hole.addEllipse(dot, 1.8, 1.8);
        cutOut(p, hole);
    }
}

void shieldExclamation(QPainter& p, const QColor& c)
{
    QPainterPath shield;
    shield.moveTo(12, 1.5);
    shield.lineTo(20.5, 4.5);
    shield.cubicTo(20.5, 13, 18, 19, 12, 22.5);
    shield.cubicTo(6, 19, 3.5, 13, 3.5, 4.5);
    shield.closeSubpath();
    fill(p, shield, c);
    cutOut(p, roundedRect(10.9, 6, 2.2, 8.5, 1.1));
    QPainterPath dot;
    dot.addEllipse(QPointF(12, 17.5), 1.4, 1.4);
    cutOut(p, dot);
}

void distributeHorizontal(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(2, 2, 2.2, 20, 1.1), c);
    fill(p, roundedRect(19.8, 2, 2.2, 20, 1.1), c);
    fill(p, roundedRect(8, 6, 8, 12, 2), c);
}

void distributeVertical(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(2, 2, 20, 2.2, 1.1), c);
    fill(p, roundedRect(2, 19.8, 20, 2.2, 1.1), c);
    fill(p, roundedRect(6, 8, 12, 8, 2), c);
}

void arrowCounterclockwise(QPainter& p, const QColor& c)
{
    QPainterPath arc;
    arc.arcMoveTo(QRectF(3.5, 3.5, 17, 17), 110);
    arc.arcTo(QRectF(3.5, 3.5, 17, 17), 110, -330);
    stroke(p, arc, c, 2.4);
    QPainterPath head;
    head.moveTo(3, 2.5);
    head.lineTo(10.5, 4.5);
    head.lineTo(5, 10);
    head.closeSubpath();
    fill(p, head, c);
}

void questionmarkCircle(QPainter& p, const QColor& c)
{
    QPainterPath disc;
    disc.addEllipse(QPointF(12, 12), 10, 10);
    fill(p, disc, c);
    glyphCutOut(p, QRectF(2, 2, 20, 20), QStringLiteral("?"), 15);
}

void textAlignLeft(QPainter& p, const QColor& c)
{
    const std::array<qreal, 4> widths{19, 13, 17, 10};
    for (std::size_t line = 0; line < widths.size(); ++line) {
        fill(p, roundedRect(2.5, 4 + static_cast<qreal>(line) * 5, widths[line], 2.2, 1.1), c);
    }
}

void bookClosed(QPainter& p, const QColor& c)
{
    fill(p, roundedRect(4, 2, 16.5, 20, 2.5), c);
    cutOut(p, roundedRect(6, 17.5, 14.5, 1.5, 0.5));
    glyphCutOut(p, QRectF(5, 3, 15, 13), QStringLiteral("A"), 11);
}

constexpr std::array<SymbolLookup::Entry, 13> kDrawings{{
    {"key.fill", key},
    {"wrench.and.screwdriver.fill", wrenchAndScrewdriver},
    {"terminal.fill", terminal},
    {"brain.head.profile", brainHead},
    {"app.connected.to.app.below.fill", appsConnected},
    {"paintpalette.fill", palette},
    {"exclamationmark.shield.fill", shieldExclamation},
    {"distribute.horizontal.fill", distributeHorizontal},
    {"distribute.vertical.fill", distributeVertical},
    {"arrow.counterclockwise", arrowCounterclockwise},
    {"questionmark.circle.fill", questionmarkCircle},
    {"text.alignleft", textAlignLeft},
    {"character.book.closed.fill", bookClosed},
}};

const SymbolLookup& lookup()
{
    static const SymbolLookup own(kDrawings, &SymbolIcon::lookup());
    return own;
}

}  // namespace

bool SuggestionSymbolIcon::isKnown(std::string_view name)
{
    return lookup().isKnown(name);
}

QPixmap SuggestionSymbolIcon::pixmap(std::string_view name, const QColor& color, int size,
                                     qreal devicePixelRatio)
{
    return lookup().pixmap(name, color, size, devicePixelRatio);
}

}  // namespace qm
