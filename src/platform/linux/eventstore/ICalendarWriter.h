#pragma once

#include <string>

#include "platform/eventstore/CalendarEvent.h"
#include "platform/eventstore/Reminder.h"

namespace qm {

// One reminder or event as a whole iCalendar object (RFC 5545), built with
// libical: a VCALENDAR holding one VTODO or VEVENT, its UID and DTSTAMP,
// times in `timeZoneId` (the user's zone, with its VTIMEZONE) or in UTC when
// that zone is UTC or has no name readers know (a POSIX TZ description) and
// for a local time that comes twice, text values escaped, lines ended by CRLF
// and folded at 75 octets. Safe to use from any thread.
class ICalendarWriter {
public:
    ICalendarWriter() = delete;

    // The reminder's due date components are wall-clock values in
    // `timeZoneId` (any id Calendar::withTimeZone knows); an all-day due date
    // is written as a DATE. Its alarms become absolute VALARMs.
    static std::string todo(const Reminder& reminder, const std::string& uid, double timestamp,
                            const std::string& timeZoneId);
    static std::string event(const CalendarEvent& event, const std::string& uid, double timestamp,
                             const std::string& timeZoneId);
};

}  // namespace qm
