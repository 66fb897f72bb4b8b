#pragma once

#include <string>

namespace qm {

// What a scheduled timer or alarm came to: its request identifier and the
// fire time actually used (seconds since 1970), after the scheduler's rounding.
struct ScheduledNotificationResult {
    std::string identifier;
    double fireDate = 0;

    bool operator==(const ScheduledNotificationResult&) const = default;
};

}  // namespace qm
