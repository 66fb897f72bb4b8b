#include "capture/CaptureOverlayGeometry.h"

#include "platform/display/ScreenCoordinates.h"

namespace qm {

Rect CaptureOverlayGeometry::caretOnScreen(const Rect& accessibilityCaret, const std::vector<Screen>& screens)
{
    if (screens.empty()) {
        return accessibilityCaret;
    }
    return ScreenCoordinates::accessibilityToScreen(accessibilityCaret, screens.front().frame.height());
}

double CaptureOverlayGeometry::panelHeight(double fittingHeight)
{
    return fittingHeight > minimumHeight ? fittingHeight : minimumHeight;
}

Rect CaptureOverlayGeometry::frame(const std::optional<Rect>& caret, double fittingHeight,
                                   const Rect& currentFrame, const std::vector<Screen>& screens,
                                   const std::optional<Screen>& mainScreen)
{
    const double height = panelHeight(fittingHeight);
    if (!caret) {
        return {currentFrame.x(), currentFrame.y() + currentFrame.height() - height, panelWidth, height};
    }
    const Rect& c = *caret;
    double x = c.x() + c.width() / 2 - panelWidth / 2;
    double y = c.y() - height - caretGap;

    std::optional<Screen> screen;
    for (const Screen& candidate : screens) {
        if (candidate.frame.contains(c.origin)) {
            screen = candidate;
            break;
        }
    }
    if (!screen && !screens.empty()) {
        screen = screens.front();
    }
    if (!screen) {
        screen = mainScreen;
    }
    if (screen) {
        const Rect& visible = screen->visibleFrame;
        if (x < visible.x()) {
            x = visible.x() + edgeMargin;
        } else if (x + panelWidth > visible.maxX()) {
            x = visible.maxX() - panelWidth - edgeMargin;
        }
        if (y < visible.y()) {
            y = c.maxY() + caretGap;
        }
    }
    return {x, y, panelWidth, height};
}

bool CaptureOverlayGeometry::shouldDismiss(const Click& click)
{
    if (!click.captureModeActive) {
        return false;
    }
    if (!click.panelVisible || click.panelAlpha <= minimumVisibleAlpha) {
        return false;
    }
    if (click.now < click.ignoreOutsideClicksUntil) {
        return false;
    }
    if (click.isGlobal) {
        return true;
    }
    if (click.inPanelWindow) {
        return false;
    }
    return !click.panelFrame.contains(click.location);
}

}  // namespace qm
