#include "base/UtcTimestamp.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "targets/TimeZoneScope.h"

namespace qm {
namespace {

// The stamp that the standard library's proleptic Gregorian calendar gives,
// as an independent check of the one ICU's calendar writes.
std::string chronoStamp(std::int64_t seconds)
{
    using namespace std::chrono;
    const sys_seconds time{std::chrono::seconds(seconds)};
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", static_cast<int>(date.year()),
                       static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                       clock.hours().count(), clock.minutes().count(), clock.seconds().count());
}

TEST(UtcTimestampTest, WritesTheInternetDateTimeToTheWholeSecond)
{
    struct Case {
        double time;
        const char* stamp;
    };
    const Case cases[] = {
        {0, "1970-01-01T00:00:00Z"},
        {1796680917.0, "2026-12-07T22:01:57Z"},
        {1796680917.999, "2026-12-07T22:01:57Z"},  // rounded down
        {-0.5, "1969-12-31T23:59:59Z"},            // down, not towards zero
        {951782400, "2000-02-29T00:00:00Z"},       // divisible by 400: a leap year
        {951868799, "2000-02-29T23:59:59Z"},
        {951868800, "2000-03-01T00:00:00Z"},
        {1709164800, "2024-02-29T00:00:00Z"},
        {4107456000, "2100-02-28T00:00:00Z"},  // divisible by 100: no leap day
        {4107542400, "2100-03-01T00:00:00Z"},
        {-2203977600, "1900-02-28T00:00:00Z"},
        {-2203891200, "1900-03-01T00:00:00Z"},
        {946684799, "1999-12-31T23:59:59Z"},
        {-12219292800, "1582-10-15T00:00:00Z"},  // the Gregorian calendar's first day...
        {-12219379200, "1582-10-14T00:00:00Z"},  // ...and the day before, counted the same way
        {UtcTimestamp::kEarliest, "0000-01-01T00:00:00Z"},
        {UtcTimestamp::kLatest, "9999-12-31T23:59:59Z"},
        {-1e13, "0000-01-01T00:00:00Z"},  // held within what four digits write
        {1e13, "9999-12-31T23:59:59Z"},
        {std::numeric_limits<double>::infinity(), "1970-01-01T00:00:00Z"},
        {std::numeric_limits<double>::quiet_NaN(), "1970-01-01T00:00:00Z"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UtcTimestamp::format(c.time), c.stamp) << fmt::format("{}", c.time);
    }
}

// Days around the leap days of 1900 (none), 2000 (one) and 2100 (none), every
// fifth day in between, and random seconds across the whole writable range
// agree with the standard library's calendar and read back to the same second.
TEST(UtcTimestampTest, AgreesWithAnIndependentCalendarAndReadsBack)
{
    std::vector<std::int64_t> times;
    for (const std::int64_t marchFirst : {-25508, 11017, 47541}) {  // days since 1970 of 1900/2000/2100-03-01
        for (std::int64_t day = marchFirst - 800; day <= marchFirst + 800; ++day) {
            times.push_back(day * 86400 + (day % 7) * 3607);
        }
    }
    for (std::int64_t day = -27000; day <= 49000; day += 5) {
        times.push_back(day * 86400 + 86399);
    }
    std::mt19937_64 random(42);
    std::uniform_int_distribution<std::int64_t> anywhere(static_cast<std::int64_t>(UtcTimestamp::kEarliest),
                                                         static_cast<std::int64_t>(UtcTimestamp::kLatest));
    for (int i = 0; i < 5000; ++i) {
        times.push_back(anywhere(random));
    }
    for (const std::int64_t time : times) {
        const std::string stamp = UtcTimestamp::format(static_cast<double>(time));
        ASSERT_EQ(stamp, chronoStamp(time)) << time;
        ASSERT_EQ(UtcTimestamp::parse(stamp), static_cast<double>(time)) << stamp;
    }
}

TEST(UtcTimestampTest, ReadsOnlyWellFormedDateTimes)
{
    struct Case {
        const char* text;
        std::optional<double> time;
    };
    const Case cases[] = {
        {"2026-12-07T22:01:57Z", 1796680917},
        {"2026-12-07T23:01:57+01:00", 1796680917},
        {"2026-12-07T16:31:57-05:30", 1796680917},
        {"2026-12-07T22:01:57+00:00", 1796680917},
        {"2026-12-07T22:01:57-00:00", 1796680917},
        {"2026-12-08T21:01:57+23:00", 1796680917},
        {"2024-02-29T12:00:00Z", 1709208000},
        {"2000-02-29T00:00:00Z", 951782400},
        {"0000-01-01T00:00:00Z", UtcTimestamp::kEarliest},
        {"9999-12-31T23:59:59Z", UtcTimestamp::kLatest},
        // Days the month does not have.
        {"2023-02-29T00:00:00Z", std::nullopt},
        {"1900-02-29T00:00:00Z", std::nullopt},
        {"2024-02-30T00:00:00Z", std::nullopt},
        {"2024-04-31T00:00:00Z", std::nullopt},
        {"2024-00-10T00:00:00Z", std::nullopt},
        {"2024-13-10T00:00:00Z", std::nullopt},
        {"2024-01-00T00:00:00Z", std::nullopt},
        // Times of day that do not exist.
        {"2024-01-01T24:00:00Z", std::nullopt},
        {"2024-01-01T23:60:00Z", std::nullopt},
        {"2024-12-31T23:59:60Z", std::nullopt},
        // Zones the format does not allow.
        {"2024-01-01T00:00:00+24:00", std::nullopt},
        {"2024-01-01T00:00:00+01:60", std::nullopt},
        {"2024-01-01T00:00:00+0100", std::nullopt},
        {"2024-01-01T00:00:00+01", std::nullopt},
        {"2024-01-01T00:00:00z", std::nullopt},
        {"2024-01-01T00:00:00", std::nullopt},
        {"2024-01-01T00:00:00UTC", std::nullopt},
        // Other shapes.
        {"2024-01-01t00:00:00Z", std::nullopt},
        {"2024-01-01 00:00:00Z", std::nullopt},
        {"20241-01-01T00:00:00Z", std::nullopt},
        {"2024-1-01T00:00:00Z", std::nullopt},
        {"2024-01-01T00:00:00.5Z", std::nullopt},
        {" 2024-01-01T00:00:00Z", std::nullopt},
        {"2024-01-01T00:00:00Z ", std::nullopt},
        {"+2024-01-01T00:00:00Z", std::nullopt},
        {"２０２４-01-01T00:00:00Z", std::nullopt},  // full-width digits
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UtcTimestamp::parse(c.text), c.time) << c.text;
    }
}

// UTC has no daylight saving: the local zone, even across its own DST change,
// changes nothing.
TEST(UtcTimestampTest, TheLocalZoneChangesNothing)
{
    const double springForward = 1710055800;  // 2024-03-10T07:30:00Z, 02:30 skipped in New York
    for (const char* zone : {"America/New_York", "Australia/Lord_Howe", "Asia/Kathmandu", "UTC"}) {
        test::TimeZoneScope scope(zone, "ar_EG");
        EXPECT_EQ(UtcTimestamp::format(springForward), "2024-03-10T07:30:00Z") << zone;
        EXPECT_EQ(UtcTimestamp::parse("2024-03-10T07:30:00Z"), springForward) << zone;
    }
}

TEST(UtcTimestampTest, ManyThreadsWriteAndReadAtOnce)
{
    std::vector<std::thread> threads;
    std::vector<int> mismatches(8, 0);
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&mismatches, t] {
            for (std::int64_t i = 0; i < 2000; ++i) {
                const std::int64_t time = 1700000000 + static_cast<std::int64_t>(t) * 100000007 + i * 86399;
                const std::string stamp = UtcTimestamp::format(static_cast<double>(time));
                if (stamp != chronoStamp(time) || UtcTimestamp::parse(stamp) != static_cast<double>(time)) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const int count : mismatches) {
        EXPECT_EQ(count, 0);
    }
}

}  // namespace
}  // namespace qm
