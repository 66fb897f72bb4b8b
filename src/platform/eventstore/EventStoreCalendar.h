#pragma once

#include <string>

#include "platform/eventstore/EventStoreEntityType.h"

namespace qm {

// A calendar of events or a list of reminders.
struct EventStoreCalendar {
    std::string identifier;
    std::string title;
    EventStoreEntityType entityType = EventStoreEntityType::event;
    // False for a read-only calendar (a subscription, a holiday calendar).
    bool allowsContentModifications = true;

    bool operator==(const EventStoreCalendar&) const = default;
};

}  // namespace qm
