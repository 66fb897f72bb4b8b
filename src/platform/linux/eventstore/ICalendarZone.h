#pragma once

#include <mutex>
#include <string>

#include <libical/ical.h>

namespace qm {

// libical's description of an IANA time zone, by its plain name
// ("America/New_York"), as the calendar programs that read our files name it.
// Nothing (null) for UTC and for zones libical does not know: times are then
// written in UTC. Safe to use from any thread.
icaltimezone* icalendarZone(const std::string& timeZoneId);

// The VTIMEZONE of a zone icalendarZone knows, with the rules in force
// around `near` (seconds since 1970): one standard observance, or a standard
// and a daylight one with open-ended yearly rules, each starting at a local
// date and time. Strict readers take no less: a date alone, or a rule with an
// end, and they refuse the zone. Its TZID is `timeZoneId`. Null for UTC, for
// zones icalendarZone does not know and where none can be made. The caller
// owns it. Holding icalendarLock().
icalcomponent* icalendarZoneDefinition(const std::string& timeZoneId, double near);

// libical is not thread-safe around its zone cache and its parser's error
// state; every use in this program holds this lock.
std::mutex& icalendarLock();

}  // namespace qm
