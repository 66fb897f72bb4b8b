#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <unicode/uversion.h>

#include "base/DateComponents.h"

U_NAMESPACE_BEGIN
class Calendar;
U_NAMESPACE_END

namespace qm {

// Seconds since 1970 (a double, fractions kept) are the system's time values.
// The platform's JSON encodes dates as seconds since 2001 instead; this is the
// distance between the two origins.
inline constexpr double kSecondsFrom1970To2001 = 978307200.0;

// The Gregorian calendar in one time zone: everything the system does with
// days, weeks and wall-clock times goes through here, so that DST changes and
// month ends are handled the way the platform's calendar handles them.
//
// - Weeks start on Sunday unless changed with withFirstWeekday (the platform's
//   en_US default); weekdays are numbered 1 = Sunday ... 7 = Saturday.
// - A local time that a DST change skips (02:30 on the spring-forward night in
//   New York) resolves forward, to the instant it would name on the old offset
//   (03:30 daylight time). A local time that happens twice resolves to its
//   first occurrence.
// - Adding days, weeks, months or years keeps the wall-clock time (clamping
//   the day to the end of a shorter month: 31 January + 1 month is 28 or 29
//   February); adding hours, minutes or seconds adds elapsed time.
// - Components out of range roll over as the platform's lenient calendar does
//   (month 13 is January of the next year, day 0 the last day of the month before).
// - A time that is not finite has no calendar day: it gives the components of
//   time 0 and, where a time is returned, itself or nothing.
//
// A Calendar is an immutable value, cheap to copy and safe to use from any
// thread at once.
class Calendar {
public:
    enum class Unit { Year, Month, Week, Day, Hour, Minute, Second };
    // The platform's date and time styles; the layout of each is the locale's.
    enum class Style { None, Short, Medium, Long, Full };

    // The user's calendar in the current time zone, taken afresh from the
    // environment on each call: TZ, an IANA name or a POSIX description with
    // its offsets and rules ("JST-9", "CET-1CEST,M3.5.0,M10.5.0/3", whose id
    // is then that text), else the system's zone; UTC when none of them names
    // a zone.
    static Calendar current();
    // The calendar in the IANA zone named ("Europe/Berlin", "UTC") or the zone
    // a POSIX description gives (the ids current() gives); nothing for a name
    // that is neither.
    static std::optional<Calendar> withTimeZone(std::string_view zoneId);

    // The same calendar with weeks starting on `weekday` (1 = Sunday ... 7).
    // Values outside 1...7 leave it unchanged.
    Calendar withFirstWeekday(int weekday) const;

    std::string timeZoneId() const;
    int firstWeekday() const;

    // The local date and time of `time`; the second is rounded down.
    DateComponents components(double time) const;
    // The time the components name (weekday ignored); nothing if they are
    // beyond what the calendar can represent.
    std::optional<double> date(const DateComponents& components) const;

    // The first instant of the day containing `time` (01:00 where midnight is
    // skipped by a DST change).
    double startOfDay(double time) const;
    // The start of the day on which the week containing `time` begins.
    double startOfWeek(double time) const;
    // `time` moved by `amount` units; nothing when the result is out of range.
    std::optional<double> adding(Unit unit, int amount, double time) const;

    bool isSameDay(double a, double b) const;
    // Calendar days from the day containing `from` to the day containing `to`:
    // 1 from any time yesterday to any time today, negative when `to` is earlier.
    int daysBetween(double from, double to) const;
    // The number of days in the month (1...12) of the year; 0 for another month.
    int daysInMonth(int year, int month) const;

    // `time` written with an ICU date pattern ("HH:mm", "yyyy-MM-dd", "EEEE",
    // "MMM d"). The default locale en_US_POSIX gives fixed English names and
    // ASCII digits, whatever the user's settings. Like the platform's formatter,
    // ICU is forgiving: unknown letters give nothing and an unclosed quote runs
    // to the end, so any pattern formats to something.
    std::string format(double time, std::string_view pattern,
                       std::string_view localeId = "en_US_POSIX") const;
    // `time` in the platform's date and time styles for the locale; an empty
    // locale id means the user's locale (LC_ALL / LANG). Both styles None gives "".
    std::string format(double time, Style dateStyle, Style timeStyle, std::string_view localeId = {}) const;
    // `time` relative to `now` as the platform's relative date-time formatter
    // writes it with the short units style: the largest unit (year, month,
    // week, day, hour, minute, second) of the calendar difference from `now`
    // to `time` that is not zero, counted whole ("5 min. ago", "in 2 days",
    // "1 wk. ago"); no difference reads "in 0 sec.". An empty locale id means
    // the user's locale.
    std::string relativeTime(double time, double now, std::string_view localeId = {}) const;
    // The time that `text` names when read whole, strictly, with the pattern;
    // fields the pattern lacks default to 1970-01-01 00:00:00 in this zone
    // unless the text carries its own zone. Nothing when it does not read.
    std::optional<double> parse(std::string_view text, std::string_view pattern,
                                std::string_view localeId = "en_US_POSIX") const;

private:
    explicit Calendar(std::shared_ptr<const icu::Calendar> prototype);

    std::shared_ptr<const icu::Calendar> prototype_;
};

}  // namespace qm
