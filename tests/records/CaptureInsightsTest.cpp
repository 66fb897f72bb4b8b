#include "records/CaptureInsights.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "platform/sim/runtime/SimClock.h"

namespace qm {
namespace {

struct Local {
    int year, month, day, hour = 12, minute = 0, second = 0;
};

struct StatsCase {
    const char* name;
    const char* zone;
    int firstWeekday;  // 1 = Sunday, 2 = Monday
    Local now;
    std::vector<Local> records;  // record i has target "r<i>"
    int today, week, streak, best;
    std::size_t lastIndex;  // the record expected as the last capture
};

std::ostream& operator<<(std::ostream& out, const StatsCase& c)
{
    return out << c.name;
}

Calendar calendarFor(const StatsCase& c)
{
    const auto calendar = Calendar::withTimeZone(c.zone);
    EXPECT_TRUE(calendar) << c.zone;
    return calendar.value_or(Calendar::current()).withFirstWeekday(c.firstWeekday);
}

double timeOf(const Calendar& calendar, const Local& local)
{
    const auto time = calendar.date(
        DateComponents{local.year, local.month, local.day, local.hour, local.minute, local.second});
    EXPECT_TRUE(time);
    return time.value_or(0);
}

class CaptureInsightsCalendarTest : public ::testing::TestWithParam<StatsCase> {};

TEST_P(CaptureInsightsCalendarTest, countsTodayWeekAndStreaks)
{
    const StatsCase& c = GetParam();
    const Calendar calendar = calendarFor(c);
    std::vector<CaptureActivityRecord> records;
    for (std::size_t i = 0; i < c.records.size(); ++i) {
        records.push_back({"r" + std::to_string(i), timeOf(calendar, c.records[i])});
    }

    const CaptureStats stats = CaptureInsights::calculate(records, timeOf(calendar, c.now), calendar);

    EXPECT_EQ(stats.todayCount, c.today);
    EXPECT_EQ(stats.weekCount, c.week);
    EXPECT_EQ(stats.totalCount, static_cast<int>(c.records.size()));
    EXPECT_EQ(stats.streakDays, c.streak);
    EXPECT_EQ(stats.bestStreakDays, c.best);
    EXPECT_EQ(stats.lastCaptureAt, records.at(c.lastIndex).createdAt);
    EXPECT_EQ(stats.lastTarget, records.at(c.lastIndex).target);
}

constexpr const char* kNewYork = "America/New_York";

// Wednesday 10 June 2026 unless a case says otherwise; weeks start on Sunday 7 June.
INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureInsightsCalendarTest,
    ::testing::Values(
        StatsCase{
            "one record this morning", kNewYork, 1, {2026, 6, 10, 10}, {{2026, 6, 10, 9}}, 1, 1, 1, 1, 0},
        StatsCase{"the last three days, none today yet",
                  kNewYork,
                  1,
                  {2026, 6, 10, 10},
                  {{2026, 6, 7}, {2026, 6, 8}, {2026, 6, 9}},
                  0,
                  3,
                  3,
                  3,
                  2},
        StatsCase{"the last three days and today",
                  kNewYork,
                  1,
                  {2026, 6, 10, 10},
                  {{2026, 6, 7}, {2026, 6, 8}, {2026, 6, 9}, {2026, 6, 10, 8}},
                  1,
                  4,
                  4,
                  4,
                  3},
        StatsCase{
            "only the day before yesterday", kNewYork, 1, {2026, 6, 10, 10}, {{2026, 6, 8}}, 0, 1, 0, 1, 0},
        StatsCase{"repeated days count once for streaks, each for counts",
                  kNewYork,
                  1,
                  {2026, 6, 10, 10},
                  {{2026, 6, 1}, {2026, 6, 2, 8}, {2026, 6, 2, 20}, {2026, 6, 3}, {2026, 6, 5}, {2026, 6, 6}},
                  0,
                  0,
                  0,
                  3,
                  5},
        StatsCase{"the best run lies in the past",
                  kNewYork,
                  1,
                  {2026, 6, 10, 10},
                  {{2026, 6, 1},
                   {2026, 6, 2},
                   {2026, 6, 3},
                   {2026, 6, 4},
                   {2026, 6, 5},
                   {2026, 6, 9},
                   {2026, 6, 10, 9}},
                  1,
                  2,
                  2,
                  5,
                  6},
        StatsCase{"a record one second after now is only in the total",
                  kNewYork,
                  1,
                  {2026, 6, 10, 10},
                  {{2026, 6, 10, 10, 0, 1}, {2026, 6, 10, 9}},
                  1,
                  1,
                  1,
                  1,
                  0},
        StatsCase{"records exactly at the day's and the week's start count",
                  kNewYork,
                  1,
                  {2026, 6, 10, 10},
                  {{2026, 6, 10, 0}, {2026, 6, 7, 0}, {2026, 6, 6, 23, 59, 59}},
                  1,
                  2,
                  1,
                  2,
                  0},
        StatsCase{"Monday weeks: a Sunday belongs to the week begun six days earlier",
                  kNewYork,
                  2,
                  {2026, 6, 14, 18},
                  {{2026, 6, 14, 9}, {2026, 6, 8, 0}, {2026, 6, 7, 23}},
                  1,
                  2,
                  1,
                  2,
                  0},
        StatsCase{"Sunday weeks: the same Sunday starts a new week",
                  kNewYork,
                  1,
                  {2026, 6, 14, 18},
                  {{2026, 6, 14, 9}, {2026, 6, 8, 0}, {2026, 6, 7, 23}},
                  1,
                  1,
                  1,
                  2,
                  0},
        StatsCase{"a streak across a month end",
                  kNewYork,
                  1,
                  {2026, 3, 2, 9},
                  {{2026, 2, 27}, {2026, 2, 28}, {2026, 3, 1}, {2026, 3, 2, 8}},
                  1,
                  2,
                  4,
                  4,
                  3},
        StatsCase{"a streak across a year end",
                  kNewYork,
                  1,
                  {2027, 1, 1, 10},
                  {{2026, 12, 30, 23, 59, 59}, {2026, 12, 31, 0}, {2027, 1, 1, 0, 0, 1}},
                  1,
                  3,
                  3,
                  3,
                  2},
        StatsCase{"a streak across the spring-forward night",
                  kNewYork,
                  1,
                  {2026, 3, 9, 12},
                  {{2026, 3, 7, 23, 30}, {2026, 3, 8, 0, 30}, {2026, 3, 8, 3, 30}, {2026, 3, 9, 0, 15}},
                  1,
                  3,
                  3,
                  3,
                  3},
        StatsCase{"a streak across the fall-back night, late records included",
                  kNewYork,
                  1,
                  {2026, 11, 2, 0, 30},
                  {{2026, 10, 31, 23, 30}, {2026, 11, 1, 1, 30}, {2026, 11, 1, 23, 30}, {2026, 11, 2, 0, 10}},
                  1,
                  3,
                  3,
                  3,
                  3},
        StatsCase{"the day of a DST change starts at its midnight",
                  kNewYork,
                  1,
                  {2026, 3, 8, 12},
                  {{2026, 3, 7, 23, 59, 59}, {2026, 3, 8, 0}},
                  1,
                  1,
                  2,
                  2,
                  1},
        StatsCase{"a streak across a day whose midnight is skipped",
                  "America/Santiago",
                  1,
                  {2026, 9, 7, 13},
                  {{2026, 9, 5}, {2026, 9, 6}, {2026, 9, 7}},
                  1,
                  2,
                  3,
                  3,
                  2},
        StatsCase{"equal newest times: the earlier-listed is the last capture",
                  kNewYork,
                  1,
                  {2026, 6, 10, 10},
                  {{2026, 6, 9}, {2026, 6, 10, 9}, {2026, 6, 10, 9}},
                  2,
                  3,
                  2,
                  2,
                  1}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(CaptureInsightsTest, noRecordsGiveTheEmptyFigures)
{
    const auto calendar = Calendar::withTimeZone(kNewYork);
    ASSERT_TRUE(calendar);
    const CaptureStats stats = CaptureInsights::calculate({}, 1'780'000'000.0, *calendar);
    EXPECT_EQ(stats, CaptureInsights::empty());
    EXPECT_EQ(stats, (CaptureStats{0, 0, 0, 0, 0, std::nullopt, std::nullopt}));
}

// The premise of the Santiago case: that zone's spring-forward day starts at 01:00.
TEST(CaptureInsightsTest, santiagoSkipsMidnightOnItsSpringForwardDay)
{
    const auto calendar = Calendar::withTimeZone("America/Santiago");
    ASSERT_TRUE(calendar);
    const auto noon = calendar->date(DateComponents{2026, 9, 6, 12});
    ASSERT_TRUE(noon);
    EXPECT_EQ(calendar->components(calendar->startOfDay(*noon)).hour, 1);
}

TEST(CaptureInsightsTest, withoutAnExplicitTimeItReadsTheClock)
{
    const auto calendar = Calendar::current();
    SimClock clock(1'780'000'000.0);
    const double today = calendar.startOfDay(clock.now());
    const std::vector<CaptureActivityRecord> records = {{"note", today + 1}, {"copy", today - 1}};

    const CaptureStats stats = CaptureInsights::calculate(records, clock);

    EXPECT_EQ(stats.todayCount, 1);
    EXPECT_EQ(stats.streakDays, 2);
    EXPECT_EQ(stats.lastTarget, "note");
    clock.set(today - 2);
    EXPECT_EQ(CaptureInsights::calculate(records, clock).todayCount, 0);
}

}  // namespace
}  // namespace qm
