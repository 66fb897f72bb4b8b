#pragma once

#include <functional>
#include <optional>

#include "platform/workspace/Color.h"

namespace qm {

// The system's shared colour panel: one floating window in which the user picks
// a colour. It reports each pick through one action, as a target/action pair
// would. Main thread only.
class ColorPanel {
public:
    // Called on the main thread with the panel as sender.
    using Action = std::function<void(ColorPanel& sender)>;

    virtual ~ColorPanel() = default;

    virtual void setColor(const Color& color) = 0;

    // The panel's colour converted to device RGB; nothing when it cannot be
    // expressed there (a pattern or a named catalogue colour without RGB).
    virtual std::optional<Color> deviceRGBColor() const = 0;

    // Replaces the action; an empty one stops the reports.
    virtual void setAction(Action action) = 0;

    // Continuous: the action fires while the user drags, not only on release.
    virtual void setContinuous(bool continuous) = 0;

    // Shows the panel in front of every other window and gives it the keyboard.
    virtual void makeKeyAndOrderFront() = 0;
};

}  // namespace qm
