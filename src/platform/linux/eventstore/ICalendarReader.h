#pragma once

#include <optional>
#include <string_view>

#include "platform/eventstore/CalendarEvent.h"
#include "platform/eventstore/Reminder.h"

namespace qm {

// Reads the first VTODO or VEVENT of an iCalendar object with libical, as
// other programs may have written it too. Nothing for text that does not
// parse or holds no such item. Safe to use from any thread.
class ICalendarReader {
public:
    ICalendarReader() = delete;

    // The due date as wall-clock components: a DATE is an all-day due date;
    // a time in UTC or another zone is read in `timeZoneId`.
    static std::optional<Reminder> todo(std::string_view text, const std::string& timeZoneId);
    // A floating time is read in `timeZoneId`. Without DTEND, DURATION gives
    // the end, else the start.
    static std::optional<CalendarEvent> event(std::string_view text, const std::string& timeZoneId);
};

}  // namespace qm
