#include "platform/sim/display/SimMouse.h"

namespace qm {

Point SimMouse::location() const
{
    std::lock_guard lock(mutex_);
    return location_;
}

void SimMouse::moveTo(Point location)
{
    std::lock_guard lock(mutex_);
    location_ = location;
}

}  // namespace qm
