#pragma once

#include <mutex>

#include "platform/display/Mouse.h"

namespace qm {

// The stand-in's pointer; it starts in the middle of the default screen.
class SimMouse final : public Mouse {
public:
    Point location() const override;
    void moveTo(Point location);

private:
    mutable std::mutex mutex_;
    Point location_{720, 450};
};

}  // namespace qm
