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

// libical is not thread-safe around its zone cache and its parser's error
// state; every use in this program holds this lock.
std::mutex& icalendarLock();

}  // namespace qm
