#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>

#include "platform/display/Point.h"
#include "platform/display/Rect.h"

namespace qm {

// Qt places windows in global coordinates with the origin at the top-left of
// the virtual desktop and y growing downward; the platform's screen
// coordinates put the origin at the bottom-left corner of the primary screen
// with y growing upward, and Accessibility's at the primary screen's top-left
// with y downward. These convert between them through the primary screen's
// geometry (GUI thread). Without a screen, Qt's coordinates are taken as they
// are, as if the primary screen were at (0, 0) and 1080 high.
class QtScreenGeometry {
public:
    static constexpr double fallbackPrimaryHeight = 1080.0;

    // The primary screen's rectangle in Qt's global coordinates.
    static QRectF primaryGeometry();

    static Rect toScreen(const QRectF& global);
    static Point toScreen(const QPointF& global);
    static QRectF fromScreen(const Rect& screen);

    static Rect toAccessibility(const QRectF& global);
    static QRectF fromAccessibility(const Rect& accessibility);
};

}  // namespace qm
