#pragma once

#include "platform/display/Point.h"
#include "platform/display/Rect.h"

namespace qm {

// Accessibility reports positions with the origin at the top-left corner of
// the primary screen and y growing downward; screens, windows and the mouse
// use the bottom-left corner and y growing upward. Both share x, and a rect's
// vertical flip is y' = primaryHeight - y - height (for a point, height 0).
// The same formula converts either way.
class ScreenCoordinates {
public:
    static Rect accessibilityToScreen(const Rect& rect, double primaryScreenHeight)
    {
        return {rect.x(), primaryScreenHeight - rect.y() - rect.height(), rect.width(), rect.height()};
    }
    static Rect screenToAccessibility(const Rect& rect, double primaryScreenHeight)
    {
        return accessibilityToScreen(rect, primaryScreenHeight);
    }
    static Point accessibilityToScreen(Point point, double primaryScreenHeight)
    {
        return {point.x, primaryScreenHeight - point.y};
    }
    static Point screenToAccessibility(Point point, double primaryScreenHeight)
    {
        return accessibilityToScreen(point, primaryScreenHeight);
    }
};

}  // namespace qm
