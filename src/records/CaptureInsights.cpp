#include "records/CaptureInsights.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace qm {

namespace {

// A time that is not a number sorts as the oldest, so the ordering stays strict.
double sortKey(double time)
{
    return std::isnan(time) ? -std::numeric_limits<double>::infinity() : time;
}

// The start of the day before the one starting at `dayStart`. Taking the start of
// the day again keeps the walk on day starts where a DST change skips midnight
// (that day starts at 01:00, the day before it at 00:00).
std::optional<double> previousDayStart(const Calendar& calendar, double dayStart)
{
    const auto earlier = calendar.adding(Calendar::Unit::Day, -1, dayStart);
    if (!earlier) {
        return std::nullopt;
    }
    const double start = calendar.startOfDay(*earlier);
    if (!(start < dayStart)) {
        return std::nullopt;
    }
    return start;
}

int currentStreak(const std::set<double>& days, const Calendar& calendar, double todayStart)
{
    double cursor = todayStart;
    if (!days.contains(todayStart)) {
        cursor = previousDayStart(calendar, todayStart).value_or(todayStart);
    }
    int streak = 0;
    while (days.contains(cursor)) {
        ++streak;
        const auto previous = previousDayStart(calendar, cursor);
        if (!previous) {
            break;
        }
        cursor = *previous;
    }
    return streak;
}

int bestStreak(const std::set<double>& days, const Calendar& calendar)
{
    if (days.empty()) {
        return 0;
    }
    int best = 1;
    int run = 1;
    for (auto it = std::next(days.begin()); it != days.end(); ++it) {
        if (calendar.daysBetween(*std::prev(it), *it) == 1) {
            best = std::max(best, ++run);
        } else {
            run = 1;
        }
    }
    return best;
}

}  // namespace

const CaptureStats& CaptureInsights::empty()
{
    static const CaptureStats none;
    return none;
}

CaptureStats CaptureInsights::calculate(const std::vector<CaptureActivityRecord>& records, const Clock& clock)
{
    return calculate(records, clock.now(), Calendar::current());
}

CaptureStats CaptureInsights::calculate(const std::vector<CaptureActivityRecord>& records, double now,
                                        const Calendar& calendar)
{
    if (records.empty()) {
        return empty();
    }
    std::vector<const CaptureActivityRecord*> newestFirst;
    newestFirst.reserve(records.size());
    for (const auto& record : records) {
        newestFirst.push_back(&record);
    }
    std::stable_sort(newestFirst.begin(), newestFirst.end(), [](const auto* a, const auto* b) {
        return sortKey(a->createdAt) > sortKey(b->createdAt);
    });

    const double todayStart = calendar.startOfDay(now);
    const double weekStart = calendar.startOfWeek(now);

    CaptureStats stats;
    stats.totalCount = static_cast<int>(records.size());
    std::set<double> days;
    for (const auto* record : newestFirst) {
        const double at = record->createdAt;
        if (!std::isfinite(at)) {
            continue;  // no calendar day
        }
        if (at <= now) {
            stats.todayCount += at >= todayStart ? 1 : 0;
            stats.weekCount += at >= weekStart ? 1 : 0;
        }
        days.insert(calendar.startOfDay(at));
    }
    stats.streakDays = currentStreak(days, calendar, todayStart);
    stats.bestStreakDays = bestStreak(days, calendar);
    stats.lastCaptureAt = newestFirst.front()->createdAt;
    stats.lastTarget = newestFirst.front()->target;
    return stats;
}

}  // namespace qm
