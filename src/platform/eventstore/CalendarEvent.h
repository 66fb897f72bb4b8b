#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/eventstore/EventStoreAlarm.h"
#include "platform/eventstore/EventStoreCalendar.h"

namespace qm {

// A timed event in a calendar.
struct CalendarEvent {
    // Given by the store when the event is first saved; empty before.
    std::string eventIdentifier;
    // The calendar it belongs to; an event without one cannot be saved.
    std::optional<EventStoreCalendar> calendar;
    std::string title;
    std::optional<double> startDate;  // seconds since 1970
    std::optional<double> endDate;
    std::vector<EventStoreAlarm> alarms;
    std::optional<std::string> notes;

    bool operator==(const CalendarEvent&) const = default;
};

}  // namespace qm
