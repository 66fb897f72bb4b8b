#pragma once

#include <optional>
#include <vector>

#include "platform/display/Screen.h"

namespace qm {

// The displays attached now.
class Screens {
public:
    virtual ~Screens() = default;

    // Every screen; the first is the primary one (with the menu bar), whose
    // frame origin is (0, 0). Empty when no display is attached.
    virtual std::vector<Screen> screens() const = 0;

    // The screen with the keyboard focus; nothing when there is no screen.
    virtual std::optional<Screen> mainScreen() const = 0;
};

}  // namespace qm
