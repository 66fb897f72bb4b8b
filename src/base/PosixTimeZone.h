#pragma once

#include <memory>
#include <string_view>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class TimeZone;
U_NAMESPACE_END

namespace qm {

// The zone that a POSIX TZ value describes, read as the C library reads it:
// a standard name and offset ("JST-9", "<+0530>-5:30"), and optionally a
// daylight name with its offset (an hour ahead of standard time when not
// given) and the rules of the change, each a month, week and weekday
// ("M3.5.0"), a day of the year without leap days ("J60") or one with them
// ("59"), and a local time (02:00 when not given). A daylight name without
// rules takes the C library's default ones: second Sunday of March to first
// Sunday of November. The zone's id is `value` itself.
//
// Nothing for a value that is not such a description (an IANA name such as
// "Europe/Berlin", a file path) or whose change times lie outside the day
// they are given for (the C library's "/-1" or "/25"), which ICU's rules
// cannot hold.
std::unique_ptr<icu::TimeZone> makePosixTimeZone(std::string_view value);

}  // namespace qm
