#include "capture/CaretBoundsLookup.h"

#include <chrono>
#include <vector>

#include <fmt/format.h>

#include "base/Log.h"
#include "capture/CaretBoxAtCorner.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/display/Mouse.h"
#include "platform/display/Screen.h"
#include "platform/display/ScreenCoordinates.h"
#include "platform/display/Screens.h"

// Every step is bounded by a short messaging timeout so that an application
// that does not answer cannot hold the overlay back, and each step logs how
// long the lookup took.

namespace qm {

namespace {

using Stopwatch = std::chrono::steady_clock;

double millisecondsSince(Stopwatch::time_point start)
{
    return std::chrono::duration<double, std::milli>(Stopwatch::now() - start).count();
}

bool liesOnAScreen(const Rect& accessibilityRect, const std::vector<Screen>& screens, double screenHeight)
{
    const Rect onScreen = ScreenCoordinates::accessibilityToScreen(accessibilityRect, screenHeight);
    for (const Screen& screen : screens) {
        if (onScreen.intersects(screen.frame)) {
            return true;
        }
    }
    return false;
}

std::optional<Rect> caretFromTextRange(const AXUIElement& element, const std::vector<Screen>& screens,
                                       double screenHeight)
{
    AXValue range;
    if (element.copyAttributeValue(AXAttribute::selectedTextRange, range) != AXError::success) {
        return std::nullopt;
    }
    AXValue bounds;
    if (element.copyParameterizedAttributeValue(AXAttribute::boundsForRange, range, bounds) !=
        AXError::success) {
        return std::nullopt;
    }
    const auto rect = bounds.asRect();
    if (!rect || (rect->width() == 0 && rect->height() == 0) ||
        !liesOnAScreen(*rect, screens, screenHeight)) {
        return std::nullopt;
    }
    return rect;
}

}  // namespace

CaretBoundsLookup::CaretBoundsLookup(Accessibility& accessibility, const Screens& screens, const Mouse& mouse)
    : accessibility_(accessibility), screens_(screens), mouse_(mouse)
{
}

Rect CaretBoundsLookup::resolve() const
{
    const auto start = Stopwatch::now();
    AXValue focused;
    const AXError focusError =
        accessibility_.systemWideElement().copyAttributeValue(AXAttribute::focusedUIElement, focused);

    const std::vector<Screen> screens = screens_.screens();
    const double screenHeight = screens.empty() ? fallbackScreenHeight : screens.front().frame.height();

    std::optional<AXUIElement> element;
    if (focusError == AXError::success) {
        element = focused.asElement();
    }
    if (element && !element->isNull()) {
        element->setMessagingTimeout(messagingTimeout);
        if (const auto caret = caretFromTextRange(*element, screens, screenHeight)) {
            const bool suspicious = (caret->x() == 0 && caret->y() == 0) || caret->height() == screenHeight;
            Log::log(fmt::format("🎯 CaptureRouter: Resolved caret bounds via AXUIElement in {:.2f} ms{}: "
                                 "x={:.1f}, y={:.1f}, w={:.1f}, h={:.1f}",
                                 millisecondsSince(start),
                                 suspicious ? " [Electron-Failure-Pattern-Suspected]" : "", caret->x(),
                                 caret->y(), caret->width(), caret->height()));
            return *caret;
        }
        if (const auto box = caretBoxAtCorner(*element)) {
            Log::log(
                fmt::format("🏢 CaptureRouter: Resolved bounds via element position fallback in {:.2f} ms: "
                            "x={:.1f}, y={:.1f}, w={:.1f}, h={:.1f}",
                            millisecondsSince(start), box->x(), box->y(), box->width(), box->height()));
            return *box;
        }
    }

    const Point mouse = mouse_.location();
    const Rect box(mouse.x, screenHeight - mouse.y, 10, 20);
    Log::log(fmt::format(
        "🖱️ CaptureRouter: AX caret failed or Electron matched. Falling back to mouse position in "
        "{:.2f} ms: x={:.1f}, y={:.1f}, w={:.1f}, h={:.1f}",
        millisecondsSince(start), box.x(), box.y(), box.width(), box.height()));
    return box;
}

}  // namespace qm
