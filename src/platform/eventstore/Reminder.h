#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/DateComponents.h"
#include "platform/eventstore/EventStoreAlarm.h"
#include "platform/eventstore/EventStoreCalendar.h"

namespace qm {

// A reminder in a reminders list.
struct Reminder {
    // Given by the store when the reminder is first saved; empty before.
    std::string calendarItemIdentifier;
    // The list it belongs to; a reminder without one cannot be saved.
    std::optional<EventStoreCalendar> calendar;
    std::string title;
    // When it is due, as a floating wall-clock date and time (no time zone):
    // year, month, day, hour and minute; second and weekday are not used.
    std::optional<DateComponents> dueDateComponents;
    // Due on a day, not at a time: only the year, month and day of
    // dueDateComponents count.
    bool dueDateIsAllDay = false;
    std::vector<EventStoreAlarm> alarms;
    std::optional<std::string> notes;

    bool operator==(const Reminder&) const = default;
};

}  // namespace qm
