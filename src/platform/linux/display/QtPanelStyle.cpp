#include "platform/linux/display/QtPanelStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace qm {

void QtPanelStyle::apply(QWidget& window, Activation activation, Clicks clicks)
{
    Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (activation == Activation::nonActivating) {
        // A tool-tip window: never managed or focused by the window manager,
        // above everything and on every workspace.
        flags |= Qt::ToolTip | Qt::WindowDoesNotAcceptFocus;
        window.setAttribute(Qt::WA_ShowWithoutActivating);
    } else {
        flags |= Qt::Tool;
    }
    if (clicks == Clicks::passThrough) {
        flags |= Qt::WindowTransparentForInput;
        window.setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    window.setWindowFlags(flags);
    // Without a compositor the corners show black instead of being
    // see-through; nothing else changes.
    window.setAttribute(Qt::WA_TranslucentBackground);
}

void QtPanelStyle::setIgnoresMouseEvents(QWidget& window, bool ignores)
{
    window.setAttribute(Qt::WA_TransparentForMouseEvents, ignores);
}

bool QtPanelStyle::ignoresMouseEvents(const QWidget& window)
{
    return window.testAttribute(Qt::WA_TransparentForMouseEvents);
}

void QtPanelStyle::paintBody(QWidget& window, qreal cornerRadius, const QColor& fill, const QColor& outline)
{
    QPainter painter(&window);
    painter.setRenderHint(QPainter::Antialiasing);
    // Half a pixel in, so the outline lies on whole pixels.
    const QRectF bounds = QRectF(window.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(outline, 1));
    painter.drawPath(shape);
}

}  // namespace qm
