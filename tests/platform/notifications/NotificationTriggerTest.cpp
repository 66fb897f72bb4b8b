#include "platform/notifications/NotificationTrigger.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include <gtest/gtest.h>

namespace qm {
namespace {

using DateMatch = NotificationTrigger::DateMatch;

// 2023-11-14 22:13:20 UTC, a Tuesday.
constexpr double kNow = 1'700'000'000.0;

TEST(NotificationTriggerTest, TimeIntervalsThePlatformRefusesAreRejected)
{
    struct Case {
        double interval;
        bool repeats;
        bool accepted;
    };
    const Case cases[] = {
        {0, false, false},
        {-5, false, false},
        {std::numeric_limits<double>::quiet_NaN(), false, false},
        {std::numeric_limits<double>::infinity(), false, false},
        {59, true, false},
        {0.5, false, true},
        {59, false, true},
        {60, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "interval " << c.interval << " repeats " << c.repeats);
        if (c.accepted) {
            EXPECT_NO_THROW(NotificationTrigger::timeInterval(c.interval, c.repeats));
        } else {
            EXPECT_THROW(NotificationTrigger::timeInterval(c.interval, c.repeats), std::invalid_argument);
        }
    }
}

TEST(NotificationTriggerTest, TimeIntervalCountsFromTheMomentItWasAdded)
{
    auto once = NotificationTrigger::timeInterval(60, false);
    EXPECT_EQ(once.nextTriggerDate(kNow), kNow + 60) << "not yet added: counts from now";

    once.setRegisteredAt(kNow);
    EXPECT_EQ(once.nextTriggerDate(kNow + 30), kNow + 60) << "a pending trigger keeps its fire date";
    EXPECT_EQ(once.nextTriggerDate(kNow + 60), std::nullopt) << "a one-shot trigger does not fire again";

    auto repeating = NotificationTrigger::timeInterval(60, true);
    repeating.setRegisteredAt(kNow);
    EXPECT_EQ(repeating.nextTriggerDate(kNow + 60), kNow + 120);
    EXPECT_EQ(repeating.nextTriggerDate(kNow + 125), kNow + 180);
}

TEST(NotificationTriggerTest, CalendarTriggerFiresAtTheNextMatchingMoment)
{
    struct Case {
        const char* what;
        DateMatch match;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"a full date and time tomorrow",
         {.year = 2023, .month = 11, .day = 15, .hour = 7, .minute = 30, .timeZoneId = "UTC"},
         1700033400},
        {"a full date and time that has passed",
         {.year = 2023, .month = 11, .day = 14, .hour = 7, .minute = 30, .timeZoneId = "UTC"},
         std::nullopt},
        {"a time of day already past today fires tomorrow",
         {.hour = 7, .minute = 30, .timeZoneId = "UTC"},
         1700033400},
        {"a time of day still ahead fires today", {.hour = 23, .minute = 0, .timeZoneId = "UTC"}, 1700002800},
        {"a minute of the hour", {.minute = 15, .timeZoneId = "UTC"}, 1700000100},
        {"a second of the minute", {.second = 0, .timeZoneId = "UTC"}, 1700000040},
        {"a day of the month starts at midnight", {.day = 1, .timeZoneId = "UTC"}, 1701388800},
        {"29 February waits for a leap year", {.month = 2, .day = 29, .timeZoneId = "UTC"}, 1709164800},
        {"a later year starts on its first moment", {.year = 2025, .timeZoneId = "UTC"}, 1735689600},
        {"components are read in their own zone",
         {.hour = 9, .minute = 0, .timeZoneId = "America/New_York"},
         1700056800},
        {"a day no month has never fires", {.month = 4, .day = 31, .timeZoneId = "UTC"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto trigger = NotificationTrigger::calendar(c.match, true);
        EXPECT_EQ(trigger.nextTriggerDate(kNow), c.expected);
    }
}

TEST(NotificationTriggerTest, CalendarTriggerNeedsAComponentAndAKnownZone)
{
    EXPECT_THROW(NotificationTrigger::calendar(DateMatch{}, false), std::invalid_argument);
    EXPECT_THROW(NotificationTrigger::calendar(DateMatch{.hour = 7, .timeZoneId = "Mars/Olympus"}, false),
                 std::invalid_argument);
    const auto trigger = NotificationTrigger::calendar(DateMatch{.hour = 7}, false);
    EXPECT_EQ(trigger.kind(), NotificationTrigger::Kind::calendar);
    EXPECT_EQ(trigger.dateComponents().hour, 7);
    EXPECT_EQ(trigger.timeInterval(), 0);
}

}  // namespace
}  // namespace qm
