#pragma once

#include "platform/display/Rect.h"

namespace qm {

// One display, in screen coordinates: origin at the bottom-left corner of the
// primary screen, y growing upward. The visible frame leaves out the menu bar
// and the dock.
struct Screen {
    Rect frame;
    Rect visibleFrame;

    friend bool operator==(const Screen&, const Screen&) = default;
};

}  // namespace qm
