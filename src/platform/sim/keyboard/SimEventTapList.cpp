#include "platform/sim/keyboard/SimEventTapList.h"

#include <algorithm>

namespace qm {

void SimEventTapList::add(std::shared_ptr<SimEventTap::State> tap, EventTap::Placement placement)
{
    std::lock_guard lock(mutex_);
    if (placement == EventTap::Placement::headInsert) {
        taps_.insert(taps_.begin(), std::move(tap));
    } else {
        taps_.push_back(std::move(tap));
    }
}

void SimEventTapList::remove(const std::shared_ptr<SimEventTap::State>& tap)
{
    std::lock_guard lock(mutex_);
    std::erase(taps_, tap);
}

std::vector<std::shared_ptr<SimEventTap::State>> SimEventTapList::at(EventTap::Location location) const
{
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<SimEventTap::State>> result;
    std::copy_if(taps_.begin(), taps_.end(), std::back_inserter(result),
                 [location](const auto& tap) { return tap->location == location; });
    return result;
}

std::size_t SimEventTapList::size() const
{
    std::lock_guard lock(mutex_);
    return taps_.size();
}

}  // namespace qm
