#pragma once

namespace qm {

// An alert at a fixed moment, attached to a reminder or an event.
struct EventStoreAlarm {
    double absoluteDate = 0;  // seconds since 1970

    bool operator==(const EventStoreAlarm&) const = default;
};

}  // namespace qm
