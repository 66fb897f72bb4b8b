#include "suggestions/OverlayPanelPlacement.h"

#include "capture/CaptureOverlayGeometry.h"

namespace qm {

namespace {

Point defaultOrigin(const Rect& caret, Size panel)
{
    return {caret.x() + caret.width() * 0.5 - panel.width * 0.5,
            caret.y() + caret.height() + OverlayPanelPlacement::caretGap};
}

const Screen* firstContaining(const std::vector<Screen>& screens, Point point)
{
    for (const Screen& screen : screens) {
        if (screen.frame.contains(point)) {
            return &screen;
        }
    }
    return nullptr;
}

double clampedX(double x, double width, const Rect& visible)
{
    if (visible.x() > x) {
        return visible.x() + OverlayPanelPlacement::edgeMargin;
    }
    if (x + width > visible.maxX()) {
        return visible.maxX() - width - OverlayPanelPlacement::edgeMargin;
    }
    return x;
}

}  // namespace

Rect OverlayPanelPlacement::caretOnScreen(const Rect& accessibilityCaret, const std::vector<Screen>& screens)
{
    return CaptureOverlayGeometry::caretOnScreen(accessibilityCaret, screens);
}

OverlayPanelPlacement::Placement OverlayPanelPlacement::showOrigin(const Rect& caret, Size panel,
                                                                   const std::optional<Point>& savedOffset,
                                                                   const std::vector<Screen>& screens,
                                                                   const std::optional<Screen>& mainScreen)
{
    Placement placement{defaultOrigin(caret, panel), false};
    if (savedOffset) {
        placement.origin = {caret.x() + savedOffset->x, caret.y() + savedOffset->y};
        placement.hasCustomOffset = true;
    }

    const Screen* screen = firstContaining(screens, caret.origin);
    if (!screen && !screens.empty()) {
        screen = &screens.front();
    }
    if (!screen && mainScreen) {
        screen = &*mainScreen;
    }
    if (!screen) {
        return placement;
    }
    const Rect& visible = screen->visibleFrame;
    Point& origin = placement.origin;
    origin.x = clampedX(origin.x, panel.width, visible);
    if (!placement.hasCustomOffset) {
        // No room above the caret: below it, whatever lies there.
        if (origin.y + panel.height > visible.maxY()) {
            origin.y = caret.y() - panel.height - caretGap;
        }
    } else if (visible.y() > origin.y) {
        origin.y = visible.y() + edgeMargin;
    } else if (origin.y + panel.height > visible.maxY()) {
        origin.y = visible.maxY() - panel.height - edgeMargin;
    }
    return placement;
}

Point OverlayPanelPlacement::resetOrigin(const Rect& caret, Size panel, const std::vector<Screen>& screens,
                                         const std::optional<Screen>& mainScreen)
{
    Point origin = defaultOrigin(caret, panel);
    const Screen* screen = firstContaining(screens, origin);
    if (!screen && mainScreen) {
        screen = &*mainScreen;
    }
    if (!screen && !screens.empty()) {
        screen = &screens.front();
    }
    if (!screen) {
        return origin;
    }
    const Rect& visible = screen->visibleFrame;
    origin.x = clampedX(origin.x, panel.width, visible);
    if (origin.y + panel.height > visible.maxY()) {
        origin.y = caret.y() - panel.height - caretGap;
    }
    return origin;
}

Size OverlayPanelPlacement::fittedSize(Size fitting, bool horizontal)
{
    const double minimumWidth = horizontal ? minimumRowWidth : minimumColumnWidth;
    const double fallbackHeight = horizontal ? fallbackRowHeight : fallbackColumnHeight;
    const double width = fitting.width > minimumWidth ? fitting.width : minimumWidth;
    double height = fitting.height > 0 ? fitting.height : fallbackHeight;
    if (height < minimumTrustedHeight) {
        height = fallbackHeight;
    }
    return {width, height};
}

Rect OverlayPanelPlacement::keepingTopEdge(const Rect& frame, Size size)
{
    return {frame.x(), frame.y() + frame.height() - size.height, size.width, size.height};
}

Point OverlayPanelPlacement::offsetFromCaret(Point panelOrigin, const Rect& caret)
{
    return {panelOrigin.x - caret.x(), panelOrigin.y - caret.y()};
}

}  // namespace qm
