#pragma once

#include <optional>
#include <vector>

#include "platform/display/Point.h"
#include "platform/display/Rect.h"
#include "platform/display/Screen.h"

namespace qm {

// Where the capture overlay goes: 340 wide, at least 100 high, centred under
// the caret with 8 points between them, kept 10 points inside the left and
// right edges of the visible frame of the caret's screen, and above the caret
// when there is no room below it. All in screen coordinates (bottom-left
// origin) unless named otherwise. Caret rectangles with negative coordinates
// (screens left of or above the primary one) are as valid as any other.
class CaptureOverlayGeometry {
public:
    static constexpr double panelWidth = 340;
    static constexpr double minimumHeight = 100;
    static constexpr double caretGap = 8;
    static constexpr double edgeMargin = 10;

    // The caret as Accessibility reports it (top-left origin of the primary
    // screen, y down) in screen coordinates, flipped with the height of the
    // first screen's frame; unchanged without screens.
    static Rect caretOnScreen(const Rect& accessibilityCaret, const std::vector<Screen>& screens);

    // The content's height, raised to the minimum.
    static double panelHeight(double fittingHeight);

    // The panel's frame for content of `fittingHeight`. Without a caret the
    // top edge of `currentFrame` stays where it is. With one, the screen is
    // the first whose frame holds the caret's bottom-left corner, else the
    // first screen, else `mainScreen`; with none at all the centred position
    // is kept as it is.
    static Rect frame(const std::optional<Rect>& caret, double fittingHeight, const Rect& currentFrame,
                      const std::vector<Screen>& screens, const std::optional<Screen>& mainScreen);

    // Whether a mouse-down outside the panel cancels the capture.
    struct Click {
        bool captureModeActive = false;
        bool panelVisible = false;
        double panelAlpha = 0;
        double now = 0;
        double ignoreOutsideClicksUntil = 0;
        // A click in another application's window.
        bool isGlobal = false;
        // For a click in this program: whether it is in the panel itself,
        // where it was (screen coordinates) and the panel's frame.
        bool inPanelWindow = false;
        Point location;
        Rect panelFrame;
    };
    // Only while capture mode is open, the panel is visible with an alpha
    // above 0.2 and the first 0.35 s after showing are over; a click in
    // another application then always cancels, a click in this program only
    // outside the panel's frame.
    static bool shouldDismiss(const Click& click);
    static constexpr double minimumVisibleAlpha = 0.2;
    static constexpr double outsideClickGrace = 0.35;
};

}  // namespace qm
