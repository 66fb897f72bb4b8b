#include "targets/DateRecognizer.h"

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "base/Text.h"
#include "targets/TimeZoneScope.h"

namespace qm {
namespace {

// The matched text, its local date and time, and whether it is day-only.
using Found = std::tuple<std::string, std::string, bool>;

struct RecognizerCase {
    const char* input;
    std::vector<Found> found;
};

class DateRecognizerTest : public ::testing::TestWithParam<const char*> {
protected:
    test::TimeZoneScope zone_{GetParam()};
    Calendar calendar_ = Calendar::current();

    double at(int year, int month, int day, int hour, int minute) const
    {
        return *calendar_.date({year, month, day, hour, minute, 0, 0});
    }

    std::string local(double time) const { return calendar_.format(time, "yyyy-MM-dd HH:mm"); }

    std::vector<Found> recognise(std::string_view utf8, double now) const
    {
        const auto utf16 = text::toUtf16(utf8);
        std::vector<Found> found;
        for (const auto& match : DateRecognizer::matches(utf16, now, calendar_)) {
            EXPECT_LE(match.range.end(), utf16.size());
            found.emplace_back(
                text::toUtf8(std::u16string_view(utf16).substr(match.range.location, match.range.length)),
                local(match.date), match.dayOnly);
        }
        return found;
    }
};

TEST_P(DateRecognizerTest, RunsInTheZoneUnderTest)
{
    EXPECT_EQ(calendar_.timeZoneId(), GetParam());
}

// The reference moment is Friday 6 March 2026, 18:30 local time.
const RecognizerCase kCases[] = {
    // Relative days.
    {"today", {{"today", "2026-03-06 12:00", true}}},
    {"Tomorrow", {{"Tomorrow", "2026-03-07 12:00", true}}},
    {"tonight", {{"tonight", "2026-03-06 20:00", false}}},
    {"the day after tomorrow", {{"the day after tomorrow", "2026-03-08 12:00", true}}},
    {"day after  tomorrow", {{"day after  tomorrow", "2026-03-08 12:00", true}}},
    {"in 3 days", {{"in 3 days", "2026-03-09 12:00", true}}},
    {"in 30 days", {{"in 30 days", "2026-04-05 12:00", true}}},
    // Weekdays: the day itself or the next one; "next" never means today.
    {"Friday", {{"Friday", "2026-03-06 12:00", true}}},
    {"this friday", {{"this friday", "2026-03-06 12:00", true}}},
    {"next Friday", {{"next Friday", "2026-03-13 12:00", true}}},
    {"Mon", {{"Mon", "2026-03-09 12:00", true}}},
    {"next mon", {{"next mon", "2026-03-09 12:00", true}}},
    {"Sunday", {{"Sunday", "2026-03-08 12:00", true}}},
    {"thurs", {{"thurs", "2026-03-12 12:00", true}}},
    {"Sat.", {{"Sat", "2026-03-07 12:00", true}}},
    // Month names; a date without a year stays in this year even when past.
    {"March 5", {{"March 5", "2026-03-05 12:00", true}}},
    {"5 March", {{"5 March", "2026-03-05 12:00", true}}},
    {"Mar 5th, 2027", {{"Mar 5th, 2027", "2027-03-05 12:00", true}}},
    {"march 5 2027", {{"march 5 2027", "2027-03-05 12:00", true}}},
    {"22nd December", {{"22nd December", "2026-12-22 12:00", true}}},
    {"Feb 29, 2028", {{"Feb 29, 2028", "2028-02-29 12:00", true}}},
    {"Feb 29", {}},
    {"April 31", {}},
    {"March 5x", {}},
    // Numeric dates, month first.
    {"3/5", {{"3/5", "2026-03-05 12:00", true}}},
    {"3/5/27", {{"3/5/27", "2027-03-05 12:00", true}}},
    {"12/25/2026", {{"12/25/2026", "2026-12-25 12:00", true}}},
    {"2027-03-05", {{"2027-03-05", "2027-03-05 12:00", true}}},
    {"13/5", {}},
    {"2/30", {}},
    {"2027-13-01", {}},
    // Times of day on the current day, passed or not.
    {"5pm", {{"5pm", "2026-03-06 17:00", false}}},
    {"5 PM", {{"5 PM", "2026-03-06 17:00", false}}},
    {"5:30", {{"5:30", "2026-03-06 05:30", false}}},
    {"17:30", {{"17:30", "2026-03-06 17:30", false}}},
    {"5:30pm", {{"5:30pm", "2026-03-06 17:30", false}}},
    {"5:30 am", {{"5:30 am", "2026-03-06 05:30", false}}},
    {"noon", {{"noon", "2026-03-06 12:00", false}}},
    {"Midnight", {{"Midnight", "2026-03-06 00:00", false}}},
    {"12am", {{"12am", "2026-03-06 00:00", false}}},
    {"12pm", {{"12pm", "2026-03-06 12:00", false}}},
    {"12:15am", {{"12:15am", "2026-03-06 00:15", false}}},
    {"in 20 minutes", {{"in 20 minutes", "2026-03-06 18:50", false}}},
    {"in 2 hours", {{"in 2 hours", "2026-03-06 20:30", false}}},
    {"in 1 hr", {{"in 1 hr", "2026-03-06 19:30", false}}},
    // A day and a time joined by nothing, "at", "@" or a comma are one match.
    {"tomorrow 5pm", {{"tomorrow 5pm", "2026-03-07 17:00", false}}},
    {"tomorrow at 5pm", {{"tomorrow at 5pm", "2026-03-07 17:00", false}}},
    {"tomorrow @ 5pm", {{"tomorrow @ 5pm", "2026-03-07 17:00", false}}},
    {"tomorrow, 5pm", {{"tomorrow, 5pm", "2026-03-07 17:00", false}}},
    {"Friday 10:30", {{"Friday 10:30", "2026-03-06 10:30", false}}},
    {"March 5 at noon", {{"March 5 at noon", "2026-03-05 12:00", false}}},
    {"next friday at 9am", {{"next friday at 9am", "2026-03-13 09:00", false}}},
    {"tonight at 9pm", {{"tonight at 9pm", "2026-03-06 21:00", false}}},
    {"in 3 days at 5pm", {{"in 3 days at 5pm", "2026-03-09 17:00", false}}},
    {"3/5, 5:30pm", {{"3/5, 5:30pm", "2026-03-05 17:30", false}}},
    {"Friday at the office", {{"Friday", "2026-03-06 12:00", true}}},
    // A preposition in front is not part of the match.
    {"Call mom at 5pm", {{"5pm", "2026-03-06 17:00", false}}},
    {"Submit report by Friday", {{"Friday", "2026-03-06 12:00", true}}},
    // A time before a day stays a match of its own; several matches come in text order.
    {"5pm Friday", {{"5pm", "2026-03-06 17:00", false}, {"Friday", "2026-03-06 12:00", true}}},
    {"lunch Friday, dinner tomorrow 8pm",
     {{"Friday", "2026-03-06 12:00", true}, {"tomorrow 8pm", "2026-03-07 20:00", false}}},
    // Bare numbers and words that merely contain a date word are not dates.
    {"7 take meds", {}},
    {"at 7", {}},
    {"30 pushups", {}},
    {"5pmx", {}},
    {"x5pm", {}},
    {"Fridays", {}},
    {"tomorrowland", {}},
    {"25:00", {}},
    {"5:3", {}},
    {"13pm", {}},
    {"0pm", {}},
    {"7 p.m.", {}},
    {"7:45 p.m.", {}},
    {"Monday 7:45 a.m.", {{"Monday", "2026-03-09 12:00", true}}},
    {"in 1234567 days", {}},
    {"\u00e9Friday", {}},
    {"Friday\u0663", {}},
    {"Friday\u0301", {}},
    {"", {}},
};

TEST_P(DateRecognizerTest, ReadsTheExpressionsItKnows)
{
    const double now = at(2026, 3, 6, 18, 30);
    for (const auto& c : kCases) {
        EXPECT_EQ(recognise(c.input, now), c.found) << c.input;
    }
}

TEST_P(DateRecognizerTest, RangesCountUtf16Units)
{
    const auto text = text::toUtf16("😀 call 👨‍👩‍👧 tomorrow at 5pm ok");
    const auto found = DateRecognizer::matches(text, at(2026, 3, 6, 18, 30), calendar_);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(text.substr(found[0].range.location, found[0].range.length), u"tomorrow at 5pm");
    EXPECT_EQ(found[0].range.location, 17u);
}

TEST_P(DateRecognizerTest, MonthEndsAndYearEndsRollOver)
{
    EXPECT_EQ(recognise("tomorrow", at(2026, 12, 31, 9, 0)),
              (std::vector<Found>{{"tomorrow", "2027-01-01 12:00", true}}));
    EXPECT_EQ(recognise("next Monday", at(2028, 2, 28, 9, 0)),
              (std::vector<Found>{{"next Monday", "2028-03-06 12:00", true}}));
    EXPECT_EQ(recognise("in 2 days", at(2028, 2, 28, 9, 0)),
              (std::vector<Found>{{"in 2 days", "2028-03-01 12:00", true}}));
}

TEST_P(DateRecognizerTest, NonFiniteNowFindsNothing)
{
    EXPECT_TRUE(DateRecognizer::matches(u"tomorrow at 5pm", std::nan(""), calendar_).empty());
}

INSTANTIATE_TEST_SUITE_P(Zones, DateRecognizerTest, ::testing::Values("UTC", "America/New_York"));

// New York moves its clocks from 02:00 to 03:00 on Sunday 8 March 2026.
TEST(DateRecognizerDstTest, ElapsedAndWallClockTimesAcrossTheSpringForward)
{
    test::TimeZoneScope zone("America/New_York");
    const auto calendar = Calendar::current();
    const double saturdayNight = *calendar.date({2026, 3, 7, 23, 30, 0, 0});
    const auto only = [&](std::u16string_view text) {
        const auto found = DateRecognizer::matches(text, saturdayNight, calendar);
        EXPECT_EQ(found.size(), 1u) << text::toUtf8(text);
        return found.empty() ? DateRecognizer::Match{} : found.front();
    };

    // "in 3 hours" is elapsed time: 23:30 EST plus three hours is 03:30 EDT.
    EXPECT_EQ(only(u"in 3 hours").date, saturdayNight + 3 * 3600);
    EXPECT_EQ(calendar.format(only(u"in 3 hours").date, "yyyy-MM-dd HH:mm"), "2026-03-08 03:30");
    // A wall-clock time the change skips resolves forward.
    EXPECT_EQ(calendar.format(only(u"tomorrow at 2:30am").date, "yyyy-MM-dd HH:mm"), "2026-03-08 03:30");
    // Noon to noon across the change is 23 hours.
    EXPECT_EQ(only(u"tomorrow").date - only(u"today").date, 23 * 3600);
    EXPECT_EQ(only(u"Sunday").date, *calendar.date({2026, 3, 8, 12, 0, 0, 0}));
}

}  // namespace
}  // namespace qm
