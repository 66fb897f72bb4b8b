#pragma once

namespace qm {

// The two kinds of item the event store keeps, with the platform's raw values.
enum class EventStoreEntityType {
    event = 0,     // timed calendar events
    reminder = 1,  // reminders in lists
};

}  // namespace qm
