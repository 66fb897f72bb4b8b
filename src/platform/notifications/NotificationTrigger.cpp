#include "platform/notifications/NotificationTrigger.h"

#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "base/Calendar.h"

namespace qm {

namespace {

constexpr int kYear = 0;
constexpr int kMonth = 1;
constexpr int kDay = 2;
constexpr int kHour = 3;
constexpr int kMinute = 4;
constexpr int kSecond = 5;

// Far enough to reach a 29 February across a century year that is not a leap year.
constexpr int kDaysSearched = 366 * 8 + 2;

std::array<std::optional<int>, 6> fields(const NotificationTrigger::DateMatch& match)
{
    return {match.year, match.month, match.day, match.hour, match.minute, match.second};
}

std::optional<Calendar> calendarFor(const NotificationTrigger::DateMatch& match)
{
    if (match.timeZoneId) {
        return Calendar::withTimeZone(*match.timeZoneId);
    }
    return Calendar::current();
}

// The first moment after `after` at which the calendar shows the matched
// components. Days are walked one at a time, the time of day within a day.
std::optional<double> nextMatch(const NotificationTrigger::DateMatch& match, double after)
{
    const auto calendar = calendarFor(match);
    const auto given = fields(match);
    int smallest = -1;
    for (int i = 0; i < 6; ++i) {
        if (given[i]) {
            smallest = i;
        }
    }
    if (!calendar || smallest < 0 || !std::isfinite(after)) {
        return std::nullopt;
    }
    // The value a field must have, or nothing when any value matches.
    auto required = [&](int field, int firstValue) -> std::optional<int> {
        if (given[field]) {
            return given[field];
        }
        return field > smallest ? std::optional<int>(firstValue) : std::nullopt;
    };
    auto candidates = [&](int field, int firstValue, int lastValue) {
        std::vector<int> values;
        if (auto value = required(field, firstValue)) {
            values.push_back(*value);
        } else {
            for (int value = firstValue; value <= lastValue; ++value) {
                values.push_back(value);
            }
        }
        return values;
    };
    const auto hours = candidates(kHour, 0, 23);
    const auto minutes = candidates(kMinute, 0, 59);
    const auto seconds = candidates(kSecond, 0, 59);

    const DateComponents start = calendar->components(after);
    double day = calendar->startOfDay(after);
    if (match.year && *match.year < start.year) {
        return std::nullopt;
    }
    if (match.year && *match.year > start.year) {
        const auto firstDay = calendar->date(DateComponents{.year = *match.year, .month = 1, .day = 1});
        if (!firstDay) {
            return std::nullopt;
        }
        day = calendar->startOfDay(*firstDay);
    }

    for (int walked = 0; walked < kDaysSearched; ++walked) {
        const DateComponents today = calendar->components(day);
        if (match.year && today.year > *match.year) {
            return std::nullopt;
        }
        const auto year = required(kYear, 1970);
        const auto month = required(kMonth, 1);
        const auto dayOfMonth = required(kDay, 1);
        const bool dayMatches = (!year || *year == today.year) && (!month || *month == today.month) &&
                                (!dayOfMonth || *dayOfMonth == today.day);
        if (dayMatches) {
            const bool sameDayAsStart = calendar->isSameDay(day, after);
            for (int hour : hours) {
                if (sameDayAsStart && hour < start.hour) {
                    continue;
                }
                for (int minute : minutes) {
                    for (int second : seconds) {
                        const auto time = calendar->date(DateComponents{.year = today.year,
                                                                        .month = today.month,
                                                                        .day = today.day,
                                                                        .hour = hour,
                                                                        .minute = minute,
                                                                        .second = second});
                        if (time && *time > after) {
                            return time;
                        }
                    }
                }
            }
        }
        const auto next = calendar->adding(Calendar::Unit::Day, 1, day);
        if (!next) {
            return std::nullopt;
        }
        day = calendar->startOfDay(*next);
    }
    return std::nullopt;
}

}  // namespace

NotificationTrigger::NotificationTrigger(Kind kind, double interval, DateMatch match, bool repeats)
    : kind_(kind), interval_(interval), match_(std::move(match)), repeats_(repeats)
{
}

NotificationTrigger NotificationTrigger::timeInterval(double interval, bool repeats)
{
    if (!std::isfinite(interval) || interval <= 0) {
        throw std::invalid_argument("NotificationTrigger: time interval must be greater than 0");
    }
    if (repeats && interval < 60) {
        throw std::invalid_argument("NotificationTrigger: time interval must be at least 60 if repeating");
    }
    return NotificationTrigger(Kind::timeInterval, interval, DateMatch{}, repeats);
}

NotificationTrigger NotificationTrigger::calendar(DateMatch match, bool repeats)
{
    const auto given = fields(match);
    bool any = false;
    for (const auto& field : given) {
        any = any || field.has_value();
    }
    if (!any) {
        throw std::invalid_argument(
            "NotificationTrigger: a calendar trigger needs at least one date component");
    }
    if (match.timeZoneId && !Calendar::withTimeZone(*match.timeZoneId)) {
        throw std::invalid_argument("NotificationTrigger: unknown time zone \"" + *match.timeZoneId + "\"");
    }
    return NotificationTrigger(Kind::calendar, 0, std::move(match), repeats);
}

std::optional<double> NotificationTrigger::nextTriggerDate(double now) const
{
    if (kind_ == Kind::calendar) {
        return nextMatch(match_, now);
    }
    if (!registeredAt_) {
        return now + interval_;
    }
    const double first = *registeredAt_ + interval_;
    if (first > now) {
        return first;
    }
    if (!repeats_) {
        return std::nullopt;
    }
    double next = *registeredAt_ + (std::floor((now - *registeredAt_) / interval_) + 1) * interval_;
    if (next <= now) {  // rounding of large times
        next += interval_;
    }
    return next;
}

}  // namespace qm
