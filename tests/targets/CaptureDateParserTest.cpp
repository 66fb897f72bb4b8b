#include "targets/CaptureDateParser.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "base/Log.h"
#include "targets/TimeZoneScope.h"

namespace qm {
namespace {

struct ParseCase {
    const char* input;
    const char* title;
    const char* when;  // local "yyyy-MM-dd HH:mm", or nullptr for no date
    bool hasTime;
};

class CaptureDateParserTest : public ::testing::TestWithParam<const char*> {
protected:
    test::TimeZoneScope zone_{GetParam()};
    Calendar calendar_ = Calendar::current();
    // Friday 6 March 2026, 18:30 local time.
    double reference_ = at(2026, 3, 6, 18, 30);

    double at(int year, int month, int day, int hour, int minute) const
    {
        return *calendar_.date({year, month, day, hour, minute, 0, 0});
    }

    std::string local(const std::optional<double>& time) const
    {
        return time ? calendar_.format(*time, "yyyy-MM-dd HH:mm") : "none";
    }

    void expectResult(const CaptureDateParseResult& result, const ParseCase& c) const
    {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(result.title, c.title);
        EXPECT_EQ(local(result.date), c.when ? c.when : "none");
        EXPECT_EQ(result.hasTime, c.hasTime);
    }
};

TEST_P(CaptureDateParserTest, SplitsTitleAndDate)
{
    const ParseCase cases[] = {
        // No date: the text comes back unchanged, not even trimmed.
        {"Buy milk", "Buy milk", nullptr, false},
        {"", "", nullptr, false},
        {"  padded  ", "  padded  ", nullptr, false},
        {"7 take meds", "7 take meds", nullptr, false},
        // One match.
        {"Call mom tomorrow at 5pm", "Call mom", "2026-03-07 17:00", true},
        {"dentist Monday 10:30", "dentist", "2026-03-09 10:30", true},
        {"Dinner tonight", "Dinner", "2026-03-06 20:00", true},
        {"call in 20 minutes", "call", "2026-03-06 18:50", true},
        {"😀 Call   mom tomorrow at 5pm 🎉", "😀 Call mom 🎉", "2026-03-07 17:00", true},
        // The trailing preposition goes; an empty title is "Untitled".
        {"Submit report by Friday", "Submit report", "2026-03-06 12:00", false},
        {"Call mom at 5pm", "Call mom", "2026-03-07 17:00", true},
        {"meet on this Monday", "meet", "2026-03-09 12:00", false},
        {"today", "Untitled", "2026-03-06 12:00", false},
        {"  at 9pm  ", "Untitled", "2026-03-06 21:00", true},
        // Today's date stays; a day before today moves one year ahead, once.
        {"March 6 review", "review", "2026-03-06 12:00", false},
        {"March 5 review", "review", "2027-03-05 12:00", false},
        {"Report March 5, 2020", "Report", "2021-03-05 12:00", false},
        // A passed time moves forward a day at a time, at most 370 days.
        {"standup 9am", "standup", "2026-03-07 09:00", true},
        {"lunch at 1pm", "lunch", "2026-03-07 13:00", true},
        {"Report March 5, 2020 at 5pm", "Report", "2021-03-10 17:00", true},
        // A weekday named means that weekday: once its time has passed today, next week's.
        {"dentist Friday 10:30", "dentist", "2026-03-13 10:30", true},
        {"standup friday 9am", "standup", "2026-03-13 09:00", true},
        {"standup this Friday at 9am", "standup", "2026-03-13 09:00", true},
        {"standup 9am on Friday", "standup", "2026-03-13 09:00", true},
        {"drinks Friday 8pm", "drinks", "2026-03-06 20:00", true},
        // A separate time and day join when only blanks, "at", "on", "," or "@" lie between;
        // only the two matches leave the title, the word between them stays.
        {"5pm Monday call", "call", "2026-03-09 17:00", true},
        {"5pm on Monday call", "on call", "2026-03-09 17:00", true},
        {"5pm, Monday call", ", call", "2026-03-09 17:00", true},
        // Otherwise only the time counts and the day stays in the title.
        {"5pm call Monday", "call Monday", "2026-03-07 17:00", true},
        // Several day-only matches: the first is used, the others stay.
        {"Friday or Monday", "or Monday", "2026-03-06 12:00", false},
    };
    for (const auto& c : cases) {
        expectResult(CaptureDateParser::parseTitleAndDate(c.input, reference_), c);
    }
}

TEST_P(CaptureDateParserTest, AlarmFallsBackToTheFirstClockTime)
{
    const ParseCase cases[] = {
        // Recognised times are used as they are.
        {"8pm call", "call", "2026-03-06 20:00", true},
        {"call in 20 minutes", "call", "2026-03-06 18:50", true},
        // A bare number is a clock time, tomorrow once it has passed today.
        {"7 take meds", "take meds", "2026-03-07 07:00", true},
        {"take meds at 7", "take meds", "2026-03-07 07:00", true},
        {"take 2 pills", "take pills", "2026-03-07 02:00", true},
        {"19 walk", "walk", "2026-03-06 19:00", true},
        {"at 7", "Alarm", "2026-03-07 07:00", true},
        // "a.m." and "p.m." count, with or without a blank before them.
        {"7 p.m. walk dog", "walk dog", "2026-03-06 19:00", true},
        {"7p.m. walk", "walk", "2026-03-06 19:00", true},
        {"9 A.M. standup", "standup", "2026-03-07 09:00", true},
        {"12 a.m. backup", "backup", "2026-03-07 00:00", true},
        {"12 p.m. lunch", "lunch", "2026-03-07 12:00", true},
        {"1 p.m. lunch", "lunch", "2026-03-07 13:00", true},
        {"7:45 p.m. pills", "pills", "2026-03-06 19:45", true},
        // A day without a time takes the clock time and keeps its words in the title.
        {"Monday 7 gym", "Monday gym", "2026-03-09 07:00", true},
        // Only the first number is tried: 30 is no hour, so there is no time at all.
        {"30 pushups at 7", "30 pushups at 7", nullptr, false},
        {"alarm 24", "alarm 24", nullptr, false},
        {"buy milk", "buy milk", nullptr, false},
        // A day without any number stays without a time.
        {"gym Monday", "gym", "2026-03-09 12:00", false},
    };
    for (const auto& c : cases) {
        expectResult(CaptureDateParser::parseAlarm(c.input, reference_), c);
    }
}

TEST_P(CaptureDateParserTest, LongLinesStayWithinTheSearchLimits)
{
    Log::Capture log;
    const std::string digits(50000, '5');
    const auto alarm = CaptureDateParser::parseAlarm(digits + " gym Monday", reference_);
    EXPECT_EQ(alarm.title, digits + " gym");
    EXPECT_EQ(local(alarm.date), "2026-03-09 12:00");
    EXPECT_FALSE(alarm.hasTime);

    const auto spaced = CaptureDateParser::parseAlarm("at" + std::string(50000, ' ') + "x 7", reference_);
    EXPECT_EQ(spaced.title, "at x");
    EXPECT_EQ(local(spaced.date), "2026-03-07 07:00");

    std::string many;
    for (int i = 0; i < 5000; ++i) {
        many += "tomorrow 5pm, ";
    }
    const auto first = CaptureDateParser::parseTitleAndDate(many, reference_);
    EXPECT_EQ(local(first.date), "2026-03-07 17:00");
    EXPECT_TRUE(first.title.starts_with(", tomorrow 5pm"));
    EXPECT_FALSE(log.contains("search abandoned"));
}

TEST_P(CaptureDateParserTest, DefaultMorningTimeOnlyForDayOnlyResults)
{
    const auto dayOnly = CaptureDateParser::parseTitleAndDate("gym Monday", reference_);
    EXPECT_EQ(local(CaptureDateParser::dateWithDefaultMorningTime(dayOnly)), "2026-03-09 09:00");
    EXPECT_EQ(local(CaptureDateParser::dateWithDefaultMorningTime(dayOnly, 14, 15)), "2026-03-09 14:15");

    const auto timed = CaptureDateParser::parseTitleAndDate("gym Monday 6pm", reference_);
    EXPECT_EQ(CaptureDateParser::dateWithDefaultMorningTime(timed), timed.date);
    EXPECT_EQ(CaptureDateParser::dateWithDefaultMorningTime({"x", std::nullopt, false}), std::nullopt);
}

TEST_P(CaptureDateParserTest, FormatsInTheUsersLocaleAndZone)
{
    const double fivePm = at(2027, 3, 5, 17, 0);
    EXPECT_EQ(CaptureDateParser::formatTime(fivePm), "5:00\u202fPM");
    EXPECT_EQ(CaptureDateParser::formatDateTime(fivePm), "Mar 5, 2027, 5:00\u202fPM");
}

INSTANTIATE_TEST_SUITE_P(Zones, CaptureDateParserTest, ::testing::Values("UTC", "America/New_York"));

// New York moves its clocks from 02:00 to 03:00 on Sunday 8 March 2026.
TEST(CaptureDateParserDstTest, RollingForwardKeepsTheWallClockTimeAcrossTheChange)
{
    test::TimeZoneScope zone("America/New_York");
    const auto calendar = Calendar::current();
    const double saturdayEvening = *calendar.date({2026, 3, 7, 18, 30, 0, 0});

    const auto standup = CaptureDateParser::parseTitleAndDate("standup 9am", saturdayEvening);
    ASSERT_TRUE(standup.date);
    EXPECT_EQ(*standup.date, *calendar.date({2026, 3, 8, 9, 0, 0, 0}));
    EXPECT_EQ(*standup.date - *calendar.date({2026, 3, 7, 9, 0, 0, 0}), 23 * 3600);

    const auto alarm = CaptureDateParser::parseAlarm("7 take meds", saturdayEvening);
    ASSERT_TRUE(alarm.date);
    EXPECT_EQ(calendar.format(*alarm.date, "yyyy-MM-dd HH:mm"), "2026-03-08 07:00");
    EXPECT_EQ(*alarm.date, *calendar.date({2026, 3, 8, 7, 0, 0, 0}));
}

TEST(CaptureDateParserTest, HasTimeIsASubstringTestOnTheMatchedText)
{
    const std::pair<const char*, bool> cases[] = {
        {"tomorrow at 5", true}, {"around 7", true}, {"@5", false},      {"x@5", true},
        {"1:30", true},          {"Tonight", true},  {"NOON", true},     {"o'clock", true},
        {"Samstag", true},       {"Friday", false},  {"March 5", false}, {"in 3 days", false},
        {"in 20 minutes", true}, {"in 2 hrs", true}, {"", false},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(checkHasTimePattern(text), expected) << text;
    }
}

TEST(CaptureDateParserTest, StripsOneTrailingPreposition)
{
    const std::pair<const char*, const char*> cases[] = {
        {"at", ""},
        {"  ON ", ""},
        {"Dinner on this", "Dinner on"},
        {"Submit report by", "Submit report"},
        {"  meet AT  ", "meet"},
        {"Plan to", "Plan"},
        {"Call mom at \n", "Call mom"},
        {"format", "format"},
        {"into", "into"},
        {"Call mom", "Call mom"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(stripTrailingPrepositions(text), expected) << text;
    }
}

}  // namespace
}  // namespace qm
