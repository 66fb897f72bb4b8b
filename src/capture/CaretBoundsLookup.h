#pragma once

#include "platform/display/Rect.h"

namespace qm {

class Accessibility;
class Mouse;
class Screens;

// Where the capture overlay opens: the caret of the focused field, else a box
// at the field's lower-left corner, else the pointer (in Accessibility
// coordinates). Holds no state of its own; capture mode asks it on the main
// thread.
class CaretBoundsLookup {
public:
    // The longest wait for the focused element to answer the caret lookup.
    static constexpr float messagingTimeout = 0.015f;
    // The flip height when no screen is attached.
    static constexpr double fallbackScreenHeight = 1080.0;

    // Every reference must outlive the lookup.
    CaretBoundsLookup(Accessibility& accessibility, const Screens& screens, const Mouse& mouse);

    Rect resolve() const;

private:
    Accessibility& accessibility_;
    const Screens& screens_;
    const Mouse& mouse_;
};

}  // namespace qm
