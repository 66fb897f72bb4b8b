#pragma once

#include <optional>
#include <vector>

#include "platform/display/Point.h"
#include "platform/display/Rect.h"
#include "platform/display/Screen.h"
#include "platform/display/Size.h"

namespace qm {

// Where the suggestion panel goes and how big it is. Everything is in screen
// coordinates (bottom-left origin of the primary screen, y up) except the
// caret that Accessibility reports, which caretOnScreen() converts.
//
// By default the panel is centred on the caret with its bottom edge 8 points
// above the caret's top; when that runs past the top of the visible frame it
// goes 8 points below the caret instead. Where the user moved the panel for an
// application, the saved offset from the caret's origin wins and is only kept
// 10 points inside the visible frame. Horizontally the panel is always kept 10
// points inside the visible frame of the caret's screen.
class OverlayPanelPlacement {
public:
    static constexpr double caretGap = 8;
    static constexpr double edgeMargin = 10;
    static constexpr Rect initialFrame{100, 100, 320, 48};
    static constexpr double minimumRowWidth = 280;
    static constexpr double minimumColumnWidth = 200;
    static constexpr double fallbackRowHeight = 48;
    static constexpr double fallbackColumnHeight = 120;
    // A fitting height below this is not trusted: the fallback stands in.
    static constexpr double minimumTrustedHeight = 30;

    struct Placement {
        Point origin;
        bool hasCustomOffset = false;

        friend bool operator==(const Placement&, const Placement&) = default;
    };

    // The Accessibility caret (top-left origin, y down) flipped with the height
    // of the first screen's frame; unchanged without screens.
    static Rect caretOnScreen(const Rect& accessibilityCaret, const std::vector<Screen>& screens);

    // The panel's origin for showing at `caret` (screen coordinates). The
    // screen is the first whose frame holds the caret's origin, else the
    // first, else `mainScreen`; without any, the origin is not clamped.
    static Placement showOrigin(const Rect& caret, Size panel, const std::optional<Point>& savedOffset,
                                const std::vector<Screen>& screens, const std::optional<Screen>& mainScreen);

    // The default place again, after the saved offset was forgotten. Here the
    // screen is the first whose frame holds the default origin, else
    // `mainScreen`, else the first screen.
    static Point resetOrigin(const Rect& caret, Size panel, const std::vector<Screen>& screens,
                             const std::optional<Screen>& mainScreen);

    // The panel's size for content whose fitting size is `fitting`.
    static Size fittedSize(Size fitting, bool horizontal);

    // `frame` resized to `size` with its top edge and its left edge in place.
    static Rect keepingTopEdge(const Rect& frame, Size size);

    // The offset to save after a user move: panel origin minus caret origin.
    static Point offsetFromCaret(Point panelOrigin, const Rect& caret);
};

}  // namespace qm
