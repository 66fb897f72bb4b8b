#include "targets/DurationParser.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/Log.h"

namespace qm {
namespace {

struct ParsedCase {
    const char* text;
    double interval;
    std::optional<std::string> label;
    const char* display;
};

TEST(DurationParserTest, ReadsTokensAnywhereAndKeepsTheRestAsLabel)
{
    const ParsedCase cases[] = {
        {"25m", 1500, std::nullopt, "25m"},
        {"  25m \n", 1500, std::nullopt, "25m"},
        {"60s", 60, std::nullopt, "1m"},
        {"24h", 86400, std::nullopt, "24h"},
        {"1.5h", 5400, std::nullopt, "1h 30m"},
        {"90s", 90, std::nullopt, "1m 30s"},
        {"90.5s", 90.5, std::nullopt, "1m 31s"},
        {"25MIN", 1500, std::nullopt, "25m"},
        {"2 Hours", 7200, std::nullopt, "2h"},
        {"1 hr 5 mins 30 secs", 3930, std::nullopt, "1h 5m"},
        {"1h 1h", 7200, std::nullopt, "2h"},
        {"30m 1h", 5400, std::nullopt, "1h 30m"},
        {"25m tea", 1500, "tea", "25m"},
        {"tea   25m  now", 1500, "tea now", "25m"},
        {"1h review PR 30m", 5400, "review PR", "1h 30m"},
        {"5 mangoes 25m", 1500, "5 mangoes", "25m"},
        {"1,5h", 18000, "1,", "5h"},
        {"25m, tea", 1500, ", tea", "25m"},
        {"25m\ttea\nbreak", 1500, "tea break", "25m"},
        {"☕️ 25m 茶", 1500, "☕️ 茶", "25m"},
        {"10m2s", 602, std::nullopt, "10m 2s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = DurationParser::parse(c.text);
        EXPECT_DOUBLE_EQ(result.interval, c.interval);
        EXPECT_EQ(result.label, c.label);
        EXPECT_EQ(result.displayDuration, c.display);
    }
}

struct FailureCase {
    std::string text;
    DurationParserError::Code error;
};

TEST(DurationParserTest, FirstFailingCheckDecidesTheError)
{
    const FailureCase cases[] = {
        {"", DurationParserError::emptyInput},
        {"  \n\t ", DurationParserError::emptyInput},
        {"25", DurationParserError::invalidFormat},
        {"tea", DurationParserError::invalidFormat},
        {"2 sets", DurationParserError::invalidFormat},
        // The long s matches "s" under (?i) but is no unit letter.
        {"5ſ", DurationParserError::invalidFormat},
        {"0m", DurationParserError::nonPositiveDuration},
        {"0m 30m", DurationParserError::nonPositiveDuration},
        {"30m 0m 5x", DurationParserError::nonPositiveDuration},
        {"\u0665\u0660m", DurationParserError::nonPositiveDuration},  // Arabic-Indic "50"
        {"0." + std::string(400, '0') + "1h", DurationParserError::nonPositiveDuration},
        {"30s", DurationParserError::belowMinimum},
        {"0.5m", DurationParserError::belowMinimum},
        {"59.9s", DurationParserError::belowMinimum},
        {"24h 1s", DurationParserError::exceedsMaximum},
        {"25h", DurationParserError::exceedsMaximum},
        {"1441m", DurationParserError::exceedsMaximum},
        {std::string(400, '9') + "h", DurationParserError::exceedsMaximum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            DurationParser::parse(c.text);
            ADD_FAILURE() << "parsed";
        } catch (const DurationParserError& error) {
            EXPECT_EQ(error.code(), c.error);
        }
    }
}

// A long run of digits must not make the token search backtrack from every
// position in it, which would run into the regex step limit.
TEST(DurationParserTest, LongDigitRunsAreSearchedInLinearTime)
{
    Log::Capture log;
    const std::string digits(50000, '5');
    EXPECT_EQ(DurationParser::parse(digits + " 25m").label, digits);
    try {
        DurationParser::parse(digits + "x");
        ADD_FAILURE() << "parsed";
    } catch (const DurationParserError& error) {
        EXPECT_EQ(error.code(), DurationParserError::invalidFormat);
    }
    EXPECT_FALSE(log.contains("search abandoned"));
}

TEST(DurationParserTest, ErrorsCarryTheSentenceShownToTheUser)
{
    EXPECT_STREQ(DurationParserError(DurationParserError::emptyInput).what(),
                 "Timer text is empty. Try: 25m, 1h 30m, or 90s");
    EXPECT_EQ(DurationParserError(DurationParserError::invalidFormat).errorDescription(),
              "Could not parse timer duration. Try: 25m, 1h 30m, or 90s");
    EXPECT_EQ(DurationParserError(DurationParserError::nonPositiveDuration).errorDescription(),
              "Timer duration must be greater than zero.");
    EXPECT_EQ(DurationParserError(DurationParserError::belowMinimum).errorDescription(),
              "Timer must be at least 1 minute (e.g. 1m, 90s, or 25m). macOS needs this to deliver "
              "notifications reliably.");
    EXPECT_EQ(DurationParserError(DurationParserError::exceedsMaximum).errorDescription(),
              "Timer duration cannot exceed 24 hours.");
}

TEST(DurationParserTest, FormatIntervalRoundsAndDropsSecondsFromAnHourUp)
{
    const std::pair<double, const char*> cases[] = {
        {0, "0s"},       {45, "45s"},      {59.4, "59s"},     {59.5, "1m"},  {60, "1m"},
        {90, "1m 30s"},  {1500, "25m"},    {3599, "59m 59s"}, {3600, "1h"},  {3630, "1h"},
        {3661, "1h 1m"}, {5400, "1h 30m"}, {86400, "24h"},    {-2.5, "-3s"},
    };
    for (const auto& [seconds, expected] : cases) {
        EXPECT_EQ(DurationParser::formatInterval(seconds), expected) << seconds;
    }
}

}  // namespace
}  // namespace qm
