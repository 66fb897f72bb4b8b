#include "base/Calendar.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "base/PosixTimeZone.h"
#include "base/Text.h"

namespace qm {

namespace {

constexpr double kMillisPerSecond = 1000.0;

icu::UnicodeString unicode(std::string_view utf8)
{
    const auto utf16 = text::toUtf16(utf8);
    return icu::UnicodeString(utf16.data(), static_cast<std::int32_t>(utf16.size()));
}

std::string utf8(const icu::UnicodeString& s)
{
    return text::toUtf8(std::u16string_view(s.getBuffer(), static_cast<std::size_t>(s.length())));
}

icu::Locale localeFor(std::string_view localeId)
{
    return localeId.empty() ? icu::Locale::getDefault() : icu::Locale(std::string(localeId).c_str());
}

std::shared_ptr<const icu::Calendar> makePrototype(icu::TimeZone* zone)
{
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = std::make_shared<icu::GregorianCalendar>(zone, icu::Locale("en_US"), status);
    if (U_FAILURE(status)) {
        // Only possible without ICU's data; a UTC calendar keeps arithmetic working.
        status = U_ZERO_ERROR;
        calendar = std::make_shared<icu::GregorianCalendar>(icu::TimeZone::getGMT()->clone(), status);
    }
    calendar->setFirstDayOfWeek(UCAL_SUNDAY);
    calendar->setMinimalDaysInFirstWeek(1);
    calendar->setLenient(true);
    // Skipped local times resolve on the offset before the change (moving
    // forward); repeated ones take their first occurrence.
    calendar->setSkippedWallTimeOption(UCAL_WALLTIME_LAST);
    calendar->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
    return calendar;
}

// A private working copy: ICU calendars change state on every computation.
std::unique_ptr<icu::Calendar> workingCopy(const icu::Calendar& prototype, double time)
{
    std::unique_ptr<icu::Calendar> calendar(prototype.clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(std::isfinite(time) ? time * kMillisPerSecond : 0.0, status);
    return calendar;
}

int field(const icu::Calendar& calendar, UCalendarDateFields which)
{
    UErrorCode status = U_ZERO_ERROR;
    return calendar.get(which, status);
}

icu::DateFormat::EStyle icuStyle(Calendar::Style style)
{
    switch (style) {
    case Calendar::Style::None:
        return icu::DateFormat::kNone;
    case Calendar::Style::Short:
        return icu::DateFormat::kShort;
    case Calendar::Style::Medium:
        return icu::DateFormat::kMedium;
    case Calendar::Style::Long:
        return icu::DateFormat::kLong;
    case Calendar::Style::Full:
        return icu::DateFormat::kFull;
    }
    return icu::DateFormat::kNone;
}

// The zone a TZ value or a zone id names: an IANA name the time-zone
// database holds ("Europe/Berlin", ":Asia/Tokyo"), else a POSIX description
// ("CET-1CEST,M3.5.0,M10.5.0/3"). ICU alone would read "GMT+9" as nine hours
// ahead, where TZ means nine hours behind, and knows no POSIX rules.
std::unique_ptr<icu::TimeZone> namedZone(std::string_view name)
{
    if (name.starts_with(':')) {
        name.remove_prefix(1);
    }
    if (name.empty()) {
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString canonical;
    UBool isSystemId = false;
    icu::TimeZone::getCanonicalID(unicode(name), canonical, isSystemId, status);
    if (U_SUCCESS(status) && isSystemId) {
        return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(unicode(name)));
    }
    return makePosixTimeZone(name);
}

}  // namespace

Calendar::Calendar(std::shared_ptr<const icu::Calendar> prototype) : prototype_(std::move(prototype)) {}

Calendar Calendar::current()
{
    std::unique_ptr<icu::TimeZone> zone;
    if (const char* variable = std::getenv("TZ")) {
        zone = namedZone(variable);
    }
    if (!zone) {
        // No TZ, or a file named in it: the system's zone, as ICU finds it.
        zone.reset(icu::TimeZone::detectHostTimeZone());
    }
    if (!zone || *zone == icu::TimeZone::getUnknown()) {
        // A machine without a configured zone keeps time in UTC, as the platform does.
        zone.reset(icu::TimeZone::getGMT()->clone());
    }
    return Calendar(makePrototype(zone.release()));
}

std::optional<Calendar> Calendar::withTimeZone(std::string_view zoneId)
{
    std::unique_ptr<icu::TimeZone> zone = namedZone(zoneId);
    if (!zone || *zone == icu::TimeZone::getUnknown()) {
        return std::nullopt;
    }
    return Calendar(makePrototype(zone.release()));
}

Calendar Calendar::withFirstWeekday(int weekday) const
{
    if (weekday < 1 || weekday > 7) {
        return *this;
    }
    std::shared_ptr<icu::Calendar> changed(prototype_->clone());
    changed->setFirstDayOfWeek(static_cast<UCalendarDaysOfWeek>(weekday));
    return Calendar(std::move(changed));
}

std::string Calendar::timeZoneId() const
{
    icu::UnicodeString id;
    prototype_->getTimeZone().getID(id);
    return utf8(id);
}

int Calendar::firstWeekday() const
{
    return static_cast<int>(prototype_->getFirstDayOfWeek());
}

DateComponents Calendar::components(double time) const
{
    const auto calendar = workingCopy(*prototype_, time);
    DateComponents parts;
    parts.year = field(*calendar, UCAL_EXTENDED_YEAR);
    parts.month = field(*calendar, UCAL_MONTH) + 1;
    parts.day = field(*calendar, UCAL_DATE);
    parts.hour = field(*calendar, UCAL_HOUR_OF_DAY);
    parts.minute = field(*calendar, UCAL_MINUTE);
    parts.second = field(*calendar, UCAL_SECOND);
    parts.weekday = field(*calendar, UCAL_DAY_OF_WEEK);
    return parts;
}

std::optional<double> Calendar::date(const DateComponents& parts) const
{
    std::unique_ptr<icu::Calendar> calendar(prototype_->clone());
    calendar->clear();
    calendar->set(UCAL_EXTENDED_YEAR, parts.year);
    calendar->set(UCAL_MONTH, parts.month - 1);
    calendar->set(UCAL_DATE, parts.day);
    calendar->set(UCAL_HOUR_OF_DAY, parts.hour);
    calendar->set(UCAL_MINUTE, parts.minute);
    calendar->set(UCAL_SECOND, parts.second);
    UErrorCode status = U_ZERO_ERROR;
    const double millis = calendar->getTime(status);
    if (U_FAILURE(status) || !std::isfinite(millis)) {
        return std::nullopt;
    }
    return millis / kMillisPerSecond;
}

double Calendar::startOfDay(double time) const
{
    if (!std::isfinite(time)) {
        return time;
    }
    auto parts = components(time);
    parts.hour = 0;
    parts.minute = 0;
    parts.second = 0;
    return date(parts).value_or(time);
}

double Calendar::startOfWeek(double time) const
{
    if (!std::isfinite(time)) {
        return time;
    }
    const int weekday = components(time).weekday;
    const int back = (weekday - firstWeekday() + 7) % 7;
    auto parts = components(time);
    parts.day -= back;
    parts.hour = 0;
    parts.minute = 0;
    parts.second = 0;
    return date(parts).value_or(startOfDay(time));
}

std::optional<double> Calendar::adding(Unit unit, int amount, double time) const
{
    if (!std::isfinite(time)) {
        return std::nullopt;
    }
    auto parts = components(time);
    switch (unit) {
    case Unit::Hour:
        return time + 3600.0 * amount;
    case Unit::Minute:
        return time + 60.0 * amount;
    case Unit::Second:
        return time + static_cast<double>(amount);
    case Unit::Year:
        parts.year += amount;
        break;
    case Unit::Month: {
        const int months = parts.month - 1 + amount;
        parts.year += months >= 0 ? months / 12 : (months - 11) / 12;
        parts.month = (months % 12 + 12) % 12 + 1;
        break;
    }
    case Unit::Week:
        parts.day += 7 * amount;
        break;
    case Unit::Day:
        parts.day += amount;
        break;
    }
    if (unit == Unit::Year || unit == Unit::Month) {
        parts.day = std::min(parts.day, daysInMonth(parts.year, parts.month));
    }
    // The same wall-clock time on the new day, resolved as any built time is;
    // the fraction of a second that components drop is carried over.
    const auto moved = date(parts);
    if (!moved) {
        return std::nullopt;
    }
    return *moved + (time - std::floor(time));
}

bool Calendar::isSameDay(double a, double b) const
{
    const auto first = components(a);
    const auto second = components(b);
    return first.year == second.year && first.month == second.month && first.day == second.day;
}

int Calendar::daysBetween(double from, double to) const
{
    // Julian day numbers count local calendar days without a gap, whatever the
    // calendar's rules for the dates in between.
    return field(*workingCopy(*prototype_, to), UCAL_JULIAN_DAY) -
           field(*workingCopy(*prototype_, from), UCAL_JULIAN_DAY);
}

int Calendar::daysInMonth(int year, int month) const
{
    if (month < 1 || month > 12) {
        return 0;
    }
    std::unique_ptr<icu::Calendar> calendar(prototype_->clone());
    calendar->clear();
    calendar->set(UCAL_EXTENDED_YEAR, year);
    calendar->set(UCAL_MONTH, month - 1);
    calendar->set(UCAL_DATE, 1);
    UErrorCode status = U_ZERO_ERROR;
    const int days = calendar->getActualMaximum(UCAL_DATE, status);
    return U_SUCCESS(status) ? days : 0;
}

std::string Calendar::format(double time, std::string_view pattern, std::string_view localeId) const
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat formatter(unicode(pattern), localeFor(localeId), status);
    if (U_FAILURE(status)) {
        return {};
    }
    formatter.setCalendar(*prototype_);
    icu::UnicodeString out;
    icu::FieldPosition ignored;
    formatter.format(std::isfinite(time) ? time * kMillisPerSecond : 0.0, out, ignored, status);
    return U_SUCCESS(status) ? utf8(out) : std::string();
}

std::string Calendar::format(double time, Style dateStyle, Style timeStyle, std::string_view localeId) const
{
    if (dateStyle == Style::None && timeStyle == Style::None) {
        return {};
    }
    std::unique_ptr<icu::DateFormat> formatter(icu::DateFormat::createDateTimeInstance(
        icuStyle(dateStyle), icuStyle(timeStyle), localeFor(localeId)));
    if (!formatter) {
        return {};
    }
    formatter->setCalendar(*prototype_);
    icu::UnicodeString out;
    formatter->format(std::isfinite(time) ? time * kMillisPerSecond : 0.0, out);
    return utf8(out);
}

std::optional<double> Calendar::parse(std::string_view text, std::string_view pattern,
                                      std::string_view localeId) const
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat formatter(unicode(pattern), localeFor(localeId), status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    formatter.setCalendar(*prototype_);
    formatter.setLenient(false);
    const auto input = unicode(text);
    icu::ParsePosition position(0);
    const double millis = formatter.parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length() || !std::isfinite(millis)) {
        return std::nullopt;
    }
    return millis / kMillisPerSecond;
}

std::string Calendar::relativeTime(double time, double now, std::string_view localeId) const
{
    struct Step {
        UCalendarDateFields field;
        URelativeDateTimeUnit unit;
    };
    static constexpr Step kLargestFirst[] = {
        {UCAL_YEAR, UDAT_REL_UNIT_YEAR},         {UCAL_MONTH, UDAT_REL_UNIT_MONTH},
        {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK}, {UCAL_DATE, UDAT_REL_UNIT_DAY},
        {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR},  {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE},
        {UCAL_SECOND, UDAT_REL_UNIT_SECOND},
    };
    // Each difference moves the working calendar on by what it counted, so the
    // next unit counts only what is left, as date components between two dates do.
    const auto calendar = workingCopy(*prototype_, now);
    const double target = std::isfinite(time) ? time * kMillisPerSecond : 0.0;
    double amount = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    for (const Step& step : kLargestFirst) {
        UErrorCode status = U_ZERO_ERROR;
        const std::int32_t difference = calendar->fieldDifference(target, step.field, status);
        if (U_FAILURE(status)) {
            return {};
        }
        if (difference != 0) {
            amount = difference;
            unit = step.unit;
            break;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::RelativeDateTimeFormatter formatter(localeFor(localeId), nullptr, UDAT_STYLE_SHORT,
                                             UDISPCTX_CAPITALIZATION_NONE, status);
    if (U_FAILURE(status)) {
        return {};
    }
    icu::UnicodeString out;
    formatter.formatNumeric(amount, unit, out, status);
    return U_SUCCESS(status) ? utf8(out) : std::string();
}

}  // namespace qm
