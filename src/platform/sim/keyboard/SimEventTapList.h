#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/sim/keyboard/SimEventTap.h"

namespace qm {

// The taps of the stand-in keyboard stream, in the order they see events.
class SimEventTapList {
public:
    void add(std::shared_ptr<SimEventTap::State> tap, EventTap::Placement placement);
    void remove(const std::shared_ptr<SimEventTap::State>& tap);
    // The taps at `location`, in order: a copy, so callbacks run without the lock.
    std::vector<std::shared_ptr<SimEventTap::State>> at(EventTap::Location location) const;
    std::size_t size() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<SimEventTap::State>> taps_;
};

}  // namespace qm
