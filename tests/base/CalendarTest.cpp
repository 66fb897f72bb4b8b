#include "base/Calendar.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/ScopedEnvironment.h"

namespace qm {
namespace {

constexpr double kHour = 3600;
constexpr double kDay = 86400;

Calendar zone(const char* id)
{
    auto calendar = Calendar::withTimeZone(id);
    EXPECT_TRUE(calendar) << id;
    return calendar ? *calendar : Calendar::current();
}

// Reads "yyyy-MM-dd HH:mm:ss" in the calendar's zone, for readable expectations.
double at(const Calendar& calendar, const char* local)
{
    const auto time = calendar.parse(local, "yyyy-MM-dd HH:mm:ss");
    EXPECT_TRUE(time) << local;
    return time.value_or(0);
}

std::string show(const Calendar& calendar, double time)
{
    return calendar.format(time, "yyyy-MM-dd HH:mm:ss zzz");
}

TEST(CalendarTest, BreaksTimesIntoLocalComponents)
{
    struct Case {
        const char* zone;
        double time;
        DateComponents expected;
    };
    const Case cases[] = {
        {"UTC", 0, {1970, 1, 1, 0, 0, 0, 5}},
        {"UTC", 1700000000, {2023, 11, 14, 22, 13, 20, 3}},
        {"America/New_York", 1700000000, {2023, 11, 14, 17, 13, 20, 3}},
        {"Asia/Tokyo", 1700000000, {2023, 11, 15, 7, 13, 20, 4}},
        {"UTC", 1700000000.999, {2023, 11, 14, 22, 13, 20, 3}},
        {"UTC", -1, {1969, 12, 31, 23, 59, 59, 4}},
        {"UTC", 1709164800, {2024, 2, 29, 0, 0, 0, 5}},
        {"Europe/Berlin", 1704063599, {2023, 12, 31, 23, 59, 59, 1}},
        {"Europe/Berlin", 1704063600, {2024, 1, 1, 0, 0, 0, 2}},
        {"UTC", 1704499200, {2024, 1, 6, 0, 0, 0, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.zone << " " << c.time);
        const auto calendar = zone(c.zone);
        EXPECT_EQ(calendar.components(c.time), c.expected);
        auto withoutWeekday = c.expected;
        withoutWeekday.weekday = 0;
        EXPECT_EQ(calendar.date(withoutWeekday), std::floor(c.time));
    }
}

TEST(CalendarTest, ResolvesDstGapsForwardAndOverlapsToTheFirstOccurrence)
{
    struct Case {
        const char* zone;
        DateComponents local;
        double expected;
        const char* reads;
    };
    const Case cases[] = {
        {"America/New_York", {2024, 3, 10, 2, 30, 0}, 1710055800, "2024-03-10 03:30:00 EDT"},
        {"America/New_York", {2024, 3, 10, 1, 59, 59}, 1710053999, "2024-03-10 01:59:59 EST"},
        {"America/New_York", {2024, 11, 3, 1, 30, 0}, 1730611800, "2024-11-03 01:30:00 EDT"},
        {"Europe/Berlin", {2024, 3, 31, 2, 30, 0}, 1711848600, "2024-03-31 03:30:00 GMT+2"},
        {"Europe/Berlin", {2024, 10, 27, 2, 30, 0}, 1729989000, "2024-10-27 02:30:00 GMT+2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reads);
        const auto calendar = zone(c.zone);
        const auto time = calendar.date(c.local);
        ASSERT_TRUE(time);
        EXPECT_EQ(*time, c.expected);
        EXPECT_EQ(show(calendar, *time), c.reads);
    }
}

TEST(CalendarTest, RollsComponentsOverLikeALenientCalendar)
{
    const auto utc = zone("UTC");
    EXPECT_EQ(show(utc, *utc.date({2023, 13, 1})), "2024-01-01 00:00:00 UTC");
    EXPECT_EQ(show(utc, *utc.date({2024, 3, 0})), "2024-02-29 00:00:00 UTC");
    EXPECT_EQ(show(utc, *utc.date({2024, 1, 31, 24, 60, 0})), "2024-02-01 01:00:00 UTC");
    EXPECT_EQ(show(utc, *utc.date({2023, 2, 29})), "2023-03-01 00:00:00 UTC");
}

TEST(CalendarTest, FindsTheStartOfEachDayAcrossDstAndMidnightGaps)
{
    struct Case {
        const char* zone;
        const char* local;
        const char* dayStart;
        double hoursInDay;
    };
    const Case cases[] = {
        {"America/New_York", "2024-03-10 12:00:00", "2024-03-10 00:00:00 EST", 23},
        {"America/New_York", "2024-11-03 23:59:59", "2024-11-03 00:00:00 EDT", 25},
        {"America/New_York", "2024-07-04 00:00:00", "2024-07-04 00:00:00 EDT", 24},
        {"Europe/Berlin", "2024-03-31 04:00:00", "2024-03-31 00:00:00 GMT+1", 23},
        {"Europe/Berlin", "2024-10-27 12:00:00", "2024-10-27 00:00:00 GMT+2", 25},
        // Midnight itself was skipped here; the day starts at 01:00.
        {"America/Sao_Paulo", "2018-11-04 12:00:00", "2018-11-04 01:00:00 GMT-2", 23},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.zone << " " << c.local);
        const auto calendar = zone(c.zone);
        const double start = calendar.startOfDay(at(calendar, c.local));
        EXPECT_EQ(show(calendar, start), c.dayStart);
        const double nextStart = calendar.startOfDay(*calendar.adding(Calendar::Unit::Day, 1, start) + 1);
        EXPECT_EQ(nextStart - start, c.hoursInDay * kHour);
        EXPECT_EQ(calendar.startOfDay(start), start);
        EXPECT_EQ(calendar.startOfDay(nextStart - 0.001), start);
    }
}

TEST(CalendarTest, AddsInCalendarTerms)
{
    using Unit = Calendar::Unit;
    struct Case {
        const char* zone;
        const char* from;
        Unit unit;
        int amount;
        const char* expected;
    };
    const Case cases[] = {
        {"America/New_York", "2024-03-09 09:00:00", Unit::Day, 1, "2024-03-10 09:00:00 EDT"},
        {"America/New_York", "2024-03-09 02:30:00", Unit::Day, 1, "2024-03-10 03:30:00 EDT"},
        {"America/New_York", "2024-11-04 01:30:00", Unit::Day, -1, "2024-11-03 01:30:00 EDT"},
        {"America/New_York", "2024-03-10 01:59:00", Unit::Minute, 1, "2024-03-10 03:00:00 EDT"},
        {"America/New_York", "2024-11-03 00:30:00", Unit::Hour, 2, "2024-11-03 01:30:00 EST"},
        {"Europe/Berlin", "2024-10-26 08:00:00", Unit::Week, 1, "2024-11-02 08:00:00 GMT+1"},
        {"Europe/Berlin", "2024-03-31 00:30:00", Unit::Day, -1, "2024-03-30 00:30:00 GMT+1"},
        {"UTC", "2024-01-31 10:00:00", Unit::Month, 1, "2024-02-29 10:00:00 UTC"},
        {"UTC", "2023-01-31 10:00:00", Unit::Month, 1, "2023-02-28 10:00:00 UTC"},
        {"UTC", "2024-03-31 10:00:00", Unit::Month, -1, "2024-02-29 10:00:00 UTC"},
        {"UTC", "2024-01-15 10:00:00", Unit::Month, -13, "2022-12-15 10:00:00 UTC"},
        {"UTC", "2024-12-15 10:00:00", Unit::Month, 1, "2025-01-15 10:00:00 UTC"},
        {"UTC", "2024-02-29 10:00:00", Unit::Year, 1, "2025-02-28 10:00:00 UTC"},
        {"UTC", "2024-12-31 23:59:59", Unit::Second, 1, "2025-01-01 00:00:00 UTC"},
        {"UTC", "2024-03-01 00:00:00", Unit::Day, -1, "2024-02-29 00:00:00 UTC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.zone << " " << c.from << " + " << c.amount);
        const auto calendar = zone(c.zone);
        const auto moved = calendar.adding(c.unit, c.amount, at(calendar, c.from));
        ASSERT_TRUE(moved);
        EXPECT_EQ(show(calendar, *moved), c.expected);
    }
}

TEST(CalendarTest, AddingKeepsFractionsOfASecond)
{
    const auto calendar = zone("Europe/Berlin");
    const double time = at(calendar, "2024-03-30 12:00:00") + 0.25;
    EXPECT_EQ(*calendar.adding(Calendar::Unit::Day, 1, time), time + kDay - kHour);
    EXPECT_EQ(*calendar.adding(Calendar::Unit::Minute, 1, time), time + 60);
}

TEST(CalendarTest, NonFiniteTimesHaveNoCalendarDay)
{
    const auto calendar = zone("UTC");
    EXPECT_FALSE(calendar.adding(Calendar::Unit::Day, 1, NAN));
    EXPECT_TRUE(std::isnan(calendar.startOfDay(NAN)));
    EXPECT_EQ(calendar.components(INFINITY), calendar.components(0));
}

TEST(CalendarTest, WalkingBackDayByDayMeetsEveryDayOnceAcrossDstAndMonthEnds)
{
    // The streak walk: from a day start, one calendar day back is the previous
    // day's start, one day apart, through both DST changes and every month end.
    for (const char* id : {"America/New_York", "Europe/Berlin", "Australia/Lord_Howe", "UTC"}) {
        SCOPED_TRACE(id);
        const auto calendar = zone(id);
        double day = calendar.startOfDay(at(calendar, "2025-01-10 12:00:00"));
        for (int i = 0; i < 400; ++i) {
            const auto previous = calendar.adding(Calendar::Unit::Day, -1, day);
            ASSERT_TRUE(previous);
            ASSERT_EQ(calendar.startOfDay(*previous), *previous) << show(calendar, *previous);
            ASSERT_EQ(calendar.daysBetween(*previous, day), 1) << show(calendar, day);
            ASSERT_FALSE(calendar.isSameDay(*previous, day));
            ASSERT_TRUE(calendar.isSameDay(*previous, day - 1));
            const double hours = (day - *previous) / kHour;
            ASSERT_TRUE(hours >= 23 && hours <= 25) << show(calendar, day);
            day = *previous;
        }
    }
}

TEST(CalendarTest, CountsCalendarDaysNotElapsedTime)
{
    struct Case {
        const char* zone;
        const char* from;
        const char* to;
        int days;
    };
    const Case cases[] = {
        {"UTC", "2024-05-01 23:59:59", "2024-05-02 00:00:00", 1},
        {"UTC", "2024-05-02 00:00:00", "2024-05-01 23:59:59", -1},
        {"UTC", "2024-05-01 00:00:00", "2024-05-01 23:59:59", 0},
        {"UTC", "2024-02-28 12:00:00", "2024-03-01 12:00:00", 2},
        {"UTC", "2023-12-31 22:00:00", "2024-01-01 01:00:00", 1},
        {"UTC", "2023-01-01 00:00:00", "2024-01-01 00:00:00", 365},
        {"America/New_York", "2024-03-09 23:30:00", "2024-03-11 00:30:00", 2},
        {"America/New_York", "2024-11-02 12:00:00", "2024-11-04 11:00:00", 2},
        {"Europe/Berlin", "2024-10-26 00:00:00", "2024-10-27 23:59:59", 1},
        {"UTC", "2100-02-28 12:00:00", "2100-03-01 12:00:00", 1},
        {"UTC", "2000-02-28 12:00:00", "2000-03-01 12:00:00", 2},
        {"UTC", "1999-01-01 00:00:00", "2001-01-01 00:00:00", 731},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.zone << " " << c.from << " → " << c.to);
        const auto calendar = zone(c.zone);
        EXPECT_EQ(calendar.daysBetween(at(calendar, c.from), at(calendar, c.to)), c.days);
        EXPECT_EQ(calendar.isSameDay(at(calendar, c.from), at(calendar, c.to)), c.days == 0);
    }
}

TEST(CalendarTest, KnowsHowManyDaysEachMonthHas)
{
    struct Case {
        int year;
        int month;
        int days;
    };
    const Case cases[] = {
        {2024, 1, 31}, {2024, 2, 29},  {2023, 2, 28}, {2000, 2, 29}, {1900, 2, 28}, {2100, 2, 28},
        {2024, 4, 30}, {2024, 12, 31}, {2024, 0, 0},  {2024, 13, 0}, {2024, -1, 0},
    };
    const auto calendar = zone("Europe/Berlin");
    for (const auto& c : cases) {
        EXPECT_EQ(calendar.daysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
    }
}

TEST(CalendarTest, WeeksStartOnSundayUnlessAskedOtherwise)
{
    struct Case {
        int firstWeekday;
        const char* local;
        const char* weekStart;
    };
    const Case cases[] = {
        {1, "2024-11-07 15:00:00",
         "2024-11-03 00:00:00 EDT"},  // Thursday; week began on the fall-back Sunday
        {1, "2024-11-03 00:00:00", "2024-11-03 00:00:00 EDT"},
        {1, "2024-11-02 23:59:59", "2024-10-27 00:00:00 EDT"},
        {2, "2024-11-03 10:00:00", "2024-10-28 00:00:00 EDT"},  // a Sunday belongs to the week begun 6 days
                                                                // before
        {2, "2024-11-04 10:00:00", "2024-11-04 00:00:00 EST"},
        {1, "2024-03-01 10:00:00", "2024-02-25 00:00:00 EST"},
        {7, "2024-03-15 10:00:00", "2024-03-09 00:00:00 EST"},
    };
    const auto sunday = zone("America/New_York");
    EXPECT_EQ(sunday.firstWeekday(), 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.firstWeekday << " " << c.local);
        const auto calendar = sunday.withFirstWeekday(c.firstWeekday);
        EXPECT_EQ(calendar.firstWeekday(), c.firstWeekday);
        EXPECT_EQ(show(calendar, calendar.startOfWeek(at(calendar, c.local))), c.weekStart);
    }
    EXPECT_EQ(sunday.withFirstWeekday(0).firstWeekday(), 1);
    EXPECT_EQ(sunday.withFirstWeekday(8).firstWeekday(), 1);
}

TEST(CalendarTest, FormatsWithPatternsAndStyles)
{
    const auto berlin = zone("Europe/Berlin");
    const auto utc = zone("UTC");
    const double time = 1765091100;  // 2025-12-07 07:05:00 UTC, a Sunday
    struct Case {
        const Calendar* calendar;
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {&berlin, "HH:mm", "08:05"},
        {&berlin, "yyyy-MM-dd", "2025-12-07"},
        {&berlin, "yyyy_MM_dd", "2025_12_07"},
        {&berlin, "EEEE", "Sunday"},
        {&berlin, "MMM d", "Dec 7"},
        {&berlin, "yyyy/MM/dd", "2025/12/07"},
        {&utc, "yyyy-MM-dd'T'HH:mm:ssXXXXX", "2025-12-07T07:05:00Z"},
        {&berlin, "yyyy-MM-dd'T'HH:mm:ssXXXXX", "2025-12-07T08:05:00+01:00"},
        {&berlin, "HH 'o''clock'", "08 o'clock"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(c.calendar->format(time, c.pattern), c.expected);
    }
    EXPECT_EQ(berlin.format(time, "EEEE", "de_DE"), "Sonntag");

    using Style = Calendar::Style;
    EXPECT_EQ(berlin.format(time, Style::None, Style::Short, "en_US"), "8:05\u202FAM");
    EXPECT_EQ(berlin.format(time, Style::Medium, Style::Short, "en_US"), "Dec 7, 2025, 8:05\u202FAM");
    EXPECT_EQ(berlin.format(time, Style::Medium, Style::None, "en_US"), "Dec 7, 2025");
    EXPECT_EQ(berlin.format(time, Style::None, Style::Short, "de_DE"), "08:05");
    EXPECT_EQ(berlin.format(time, Style::None, Style::None, "en_US"), "");
}

TEST(CalendarTest, ParsesWholeTextsStrictly)
{
    const auto berlin = zone("Europe/Berlin");
    struct Case {
        const char* text;
        const char* pattern;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"2025-12-07 08:05:00", "yyyy-MM-dd HH:mm:ss", 1765091100},
        {"2025-12-07T07:05:00Z", "yyyy-MM-dd'T'HH:mm:ssXXXXX", 1765091100},
        {"2025-12-07T10:05:00+03:00", "yyyy-MM-dd'T'HH:mm:ssXXXXX", 1765091100},
        {"2024-03-31", "yyyy-MM-dd", 1711839600},
        {"08:05", "HH:mm", 7 * kHour + 5 * 60},
        {"2025-02-30", "yyyy-MM-dd", std::nullopt},
        {"2025-12-07 tomorrow", "yyyy-MM-dd", std::nullopt},
        {"", "yyyy-MM-dd", std::nullopt},
        {"12/07/2025", "yyyy-MM-dd", std::nullopt},
        {"2025-12-07", "'oops", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(berlin.parse(c.text, c.pattern), c.expected);
    }
}

TEST(CalendarTest, KnowsZonesByNameOnly)
{
    EXPECT_FALSE(Calendar::withTimeZone("Mars/Olympus_Mons"));
    EXPECT_FALSE(Calendar::withTimeZone(""));
    ASSERT_TRUE(Calendar::withTimeZone("Europe/Berlin"));
    EXPECT_EQ(Calendar::withTimeZone("Europe/Berlin")->timeZoneId(), "Europe/Berlin");
}

TEST(CalendarTest, CurrentCalendarFollowsTheEnvironmentZone)
{
    const auto tokyo = [] {
        const test::ScopedEnvironment zone("TZ", "Asia/Tokyo");
        return Calendar::current();
    }();
    const auto newYork = [] {
        const test::ScopedEnvironment zone("TZ", "America/New_York");
        return Calendar::current();
    }();
    EXPECT_EQ(tokyo.timeZoneId(), "Asia/Tokyo");
    EXPECT_EQ(newYork.timeZoneId(), "America/New_York");
    EXPECT_EQ(tokyo.components(1700000000).hour, 7);
    EXPECT_EQ(newYork.firstWeekday(), 1);
}

// A POSIX TZ description is the zone the C library keeps time in: the
// calendar agrees with localtime_r on every wall-clock time of three years,
// changes included, and names the zone by the description.
TEST(CalendarTest, PosixZoneDescriptionsGiveTheCLibrarysTime)
{
    const char* descriptions[] = {
        "JST-9",
        "CET-1CEST,M3.5.0,M10.5.0/3",
        "<+0530>-5:30",
        "EST5EDT4,M3.2.0/2:00,M11.1.0/02:00:00",
        "AEST-10AEDT,M10.1.0,M4.1.0/3",
        "<+1030>-10:30<+11>-11,M10.1.0,M4.1.0",  // a half-hour change
        "IST-1GMT0,M10.5.0,M3.5.0/1",            // winter behind standard time
        "GMT+9",                                 // nine hours behind, as TZ means it
        "ABC3DEF,J60/1:30,J300",
        "ABC-2DEF,59,300/4",
    };
    for (const char* description : descriptions) {
        SCOPED_TRACE(description);
        const test::ScopedEnvironment environment("TZ", description);
        tzset();
        const auto calendar = Calendar::current();
        EXPECT_EQ(calendar.timeZoneId(), description);
        int mismatches = 0;
        // 2025 to 2027, every 1 h 45 min: every hour of the day falls on every weekday.
        for (time_t t = 1735689600; t < 1830297600 && mismatches < 3; t += 6300) {
            tm local{};
            localtime_r(&t, &local);
            const auto parts = calendar.components(static_cast<double>(t));
            if (parts.year != local.tm_year + 1900 || parts.month != local.tm_mon + 1 ||
                parts.day != local.tm_mday || parts.hour != local.tm_hour || parts.minute != local.tm_min) {
                ++mismatches;
                ADD_FAILURE() << "at " << t << ": " << parts.hour << ":" << parts.minute
                              << " where the C library has " << local.tm_hour << ":" << local.tm_min;
            }
        }
    }
    tzset();
    // A daylight name without rules: the C library's default days (its own
    // change times are a quirk of its rules file; here they are 02:00).
    {
        const test::ScopedEnvironment environment("TZ", "CET-1CEST");
        tzset();
        const auto calendar = Calendar::current();
        for (const time_t t :
             {time_t{1768478400}, time_t{1784116800}, time_t{1772712000}, time_t{1794830400}}) {
            tm local{};
            localtime_r(&t, &local);
            EXPECT_EQ(calendar.components(static_cast<double>(t)).hour, local.tm_hour) << t;
        }
    }
    tzset();
}

TEST(CalendarTest, UnknownEnvironmentZoneMeansUtc)
{
    const auto calendar = [] {
        const test::ScopedEnvironment zone("TZ", "Nowhere/Atlantis");
        return Calendar::current();
    }();
    EXPECT_EQ(calendar.components(1700000000).hour, 22);
}

TEST(CalendarTest, OneCalendarServesManyThreads)
{
    const auto calendar = zone("Europe/Berlin");
    const double base = calendar.startOfDay(at(calendar, "2024-03-01 12:00:00"));
    std::vector<int> failures(6, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int day = 0; day < 60; ++day) {
                const auto start = calendar.adding(Calendar::Unit::Day, day, base);
                const double noon = *start + 12 * kHour;
                if (calendar.startOfDay(noon) != *start || calendar.daysBetween(base, noon) != day ||
                    calendar.format(noon + t, "ss") != (t < 10 ? "0" : "") + std::to_string(t)) {
                    ++failures[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(6, 0));
}

TEST(CalendarTest, RelativeTimesNameTheLargestUnitThatDiffers)
{
    struct Case {
        const char* zone;
        const char* time;
        const char* now;
        const char* expected;
    };
    const Case cases[] = {
        {"UTC", "2024-03-20 11:55:00", "2024-03-20 12:00:00", "5 min. ago"},
        {"UTC", "2024-03-20 11:58:30", "2024-03-20 12:00:00", "1 min. ago"},
        {"UTC", "2024-03-20 11:59:01", "2024-03-20 12:00:00", "59 sec. ago"},
        {"UTC", "2024-03-20 12:00:00", "2024-03-20 12:00:00", "in 0 sec."},
        {"UTC", "2024-03-20 09:30:00", "2024-03-20 12:00:00", "2 hr. ago"},
        // Yesterday evening is hours ago, not a day.
        {"UTC", "2024-03-19 23:00:00", "2024-03-20 12:00:00", "13 hr. ago"},
        {"UTC", "2024-03-19 00:00:00", "2024-03-20 12:00:00", "1 day ago"},
        {"UTC", "2024-03-17 12:00:00", "2024-03-20 12:00:00", "3 days ago"},
        {"UTC", "2024-03-12 12:00:00", "2024-03-20 12:00:00", "1 wk. ago"},
        {"UTC", "2024-02-29 12:00:00", "2024-03-20 12:00:00", "2 wk. ago"},
        {"UTC", "2024-01-05 12:00:00", "2024-03-20 12:00:00", "2 mo. ago"},
        {"UTC", "2022-06-01 12:00:00", "2024-03-20 12:00:00", "1 yr. ago"},
        {"UTC", "2024-03-20 12:03:00", "2024-03-20 12:00:00", "in 3 min."},
        {"UTC", "2024-03-23 12:00:00", "2024-03-20 12:00:00", "in 3 days"},
        // Across the spring-forward night two wall-clock hours are one elapsed hour.
        {"America/New_York", "2024-03-10 01:30:00", "2024-03-10 03:30:00", "1 hr. ago"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.zone << " " << c.time << " from " << c.now);
        const auto calendar = zone(c.zone);
        EXPECT_EQ(calendar.relativeTime(at(calendar, c.time), at(calendar, c.now), "en"), c.expected);
    }

    const auto utc = zone("UTC");
    const double now = at(utc, "2024-03-20 12:00:00");
    EXPECT_EQ(utc.relativeTime(now - 0.4, now, "en"), "in 0 sec.") << "a fraction of a second is no second";
    EXPECT_EQ(utc.relativeTime(now - 300, now, "de"), "vor 5 Min.");
    EXPECT_EQ(utc.relativeTime(std::nan(""), 0, "en"), "in 0 sec.") << "no time reads as time 0";
}

}  // namespace
}  // namespace qm
