#include "platform/linux/display/QtScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>

namespace qm {

QRectF QtScreenGeometry::primaryGeometry()
{
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        return QRectF(primary->geometry());
    }
    return QRectF(0, 0, 1920, fallbackPrimaryHeight);
}

Rect QtScreenGeometry::toScreen(const QRectF& global)
{
    const QRectF primary = primaryGeometry();
    return {global.x() - primary.x(), primary.y() + primary.height() - global.y() - global.height(),
            global.width(), global.height()};
}

Point QtScreenGeometry::toScreen(const QPointF& global)
{
    const QRectF primary = primaryGeometry();
    return {global.x() - primary.x(), primary.y() + primary.height() - global.y()};
}

QRectF QtScreenGeometry::fromScreen(const Rect& screen)
{
    const QRectF primary = primaryGeometry();
    return {screen.x() + primary.x(), primary.y() + primary.height() - screen.y() - screen.height(),
            screen.width(), screen.height()};
}

Rect QtScreenGeometry::toAccessibility(const QRectF& global)
{
    const QRectF primary = primaryGeometry();
    return {global.x() - primary.x(), global.y() - primary.y(), global.width(), global.height()};
}

QRectF QtScreenGeometry::fromAccessibility(const Rect& accessibility)
{
    const QRectF primary = primaryGeometry();
    return {accessibility.x() + primary.x(), accessibility.y() + primary.y(), accessibility.width(),
            accessibility.height()};
}

}  // namespace qm
