#include "targets/CalcExpressionEvaluator.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/Log.h"

namespace qm {
namespace {

struct ResultCase {
    const char* line;
    const char* shown;  // formatResult of the value, which is also the preview
};

TEST(CalcExpressionEvaluatorTest, EvaluatesNormalisedLines)
{
    const ResultCase cases[] = {
        {"2+2", "4"},
        {"(3+4)*5", "35"},
        {"7/2", "3.5"},
        {"1/3", "0.333333"},
        {"2^10", "1024"},
        {"2**10", "1024"},
        {"2^0.5", "1.41421"},
        {"2^3^2", "512"},
        {"2**3^2", "512"},
        {"15% of 847", "127.05"},
        {"15%of847", "127.05"},
        {"15 % OF 847", "127.05"},
        {"2 + 10% of 50", "7"},
        {"12.5% of 80", "10"},
        {"10% of 50 + 20% of 50", "15"},
        {"-5", "-5"},
        {"(3)", "3"},
        {"2*-3", "-6"},
        {"-2^2", "-4"},
        {"  2 + 2  ", "4"},
        {"\t2+2\n", "4"},
        {"0.1+0.2", "0.3"},
        {"1000000*1000000", "1e+12"},
        {"-0", "-0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        double value = 0;
        ASSERT_NO_THROW(value = CalcExpressionEvaluator::evaluate(c.line));
        EXPECT_EQ(CalcExpressionEvaluator::formatResult(value), c.shown);
        EXPECT_EQ(CalcExpressionEvaluator::previewEvaluate(c.line), std::optional<std::string>(c.shown));
    }
    EXPECT_DOUBLE_EQ(CalcExpressionEvaluator::evaluate("2+2"), 4.0);
    EXPECT_DOUBLE_EQ(CalcExpressionEvaluator::evaluate("15% of 847"), 127.05);
}

struct FailureCase {
    const char* line;
    CalcExpressionError::Code error;
};

TEST(CalcExpressionEvaluatorTest, RejectsWhatCannotBeCalculatedAndShowsNoPreview)
{
    const FailureCase cases[] = {
        {"", CalcExpressionError::emptyInput},
        {"   ", CalcExpressionError::emptyInput},
        {"\n\t", CalcExpressionError::emptyInput},
        {"15% of 847 apples", CalcExpressionError::invalidExpression},
        {"15% of (2+3)", CalcExpressionError::invalidExpression},
        // 0.001/100 is written "1e-05", which the character check refuses.
        {"0.001% of 5", CalcExpressionError::invalidExpression},
        {"+5", CalcExpressionError::invalidExpression},
        {"*2", CalcExpressionError::invalidExpression},
        {"^2", CalcExpressionError::invalidExpression},
        {"(2+3", CalcExpressionError::invalidExpression},
        {"2+3)", CalcExpressionError::invalidExpression},
        {")(", CalcExpressionError::invalidExpression},
        {"()", CalcExpressionError::invalidExpression},
        {"(1)+()", CalcExpressionError::invalidExpression},
        {"2+", CalcExpressionError::invalidExpression},
        {"2 +", CalcExpressionError::invalidExpression},
        {"2**", CalcExpressionError::invalidExpression},
        {"50%", CalcExpressionError::invalidExpression},
        {"50 % 3", CalcExpressionError::invalidExpression},
        {"abc", CalcExpressionError::invalidExpression},
        {"1e5", CalcExpressionError::invalidExpression},
        {"3,5", CalcExpressionError::invalidExpression},
        {"2\t+2", CalcExpressionError::invalidExpression},
        {"\u0661+\u0661", CalcExpressionError::invalidExpression},
        {"2 3", CalcExpressionError::invalidExpression},
        {"1.2.3", CalcExpressionError::invalidExpression},
        {"1/0", CalcExpressionError::divisionByZero},
        {"0/0", CalcExpressionError::divisionByZero},
        {"1/(2-2)", CalcExpressionError::divisionByZero},
        {"10^400", CalcExpressionError::nonFiniteResult},
        {"(0-8)^0.5", CalcExpressionError::nonFiniteResult},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        try {
            CalcExpressionEvaluator::evaluate(c.line);
            ADD_FAILURE() << "evaluated";
        } catch (const CalcExpressionError& error) {
            EXPECT_EQ(error.code(), c.error);
        }
        EXPECT_EQ(CalcExpressionEvaluator::previewEvaluate(c.line), std::nullopt);
    }
}

TEST(CalcExpressionEvaluatorTest, DeepNestingFailsCleanly)
{
    const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
    try {
        CalcExpressionEvaluator::evaluate(deep);
        ADD_FAILURE() << "evaluated";
    } catch (const CalcExpressionError& error) {
        EXPECT_EQ(error.code(), CalcExpressionError::invalidExpression);
    }
}

// A long run of digits must not make the percent search backtrack from every
// position in it: that search would run into the regex step limit and stall
// the live preview on every keystroke.
TEST(CalcExpressionEvaluatorTest, LongDigitRunsAreSearchedInLinearTime)
{
    Log::Capture log;
    const std::string digits(50000, '5');
    try {
        CalcExpressionEvaluator::evaluate(digits + "+1");
        ADD_FAILURE() << "evaluated";
    } catch (const CalcExpressionError& error) {
        EXPECT_EQ(error.code(), CalcExpressionError::nonFiniteResult);
    }
    EXPECT_EQ(CalcExpressionEvaluator::previewEvaluate(digits + "% of 2"), std::nullopt);
    EXPECT_FALSE(log.contains("search abandoned"));
}

TEST(CalcExpressionEvaluatorTest, FormatsWholeValuesPlainAndTheRestWithSixDigits)
{
    const std::pair<double, const char*> cases[] = {
        {42.0, "42"},
        {127.05, "127.05"},
        {2.5, "2.5"},
        {999999999999.0, "999999999999"},
        {-999999999999.0, "-999999999999"},
        {1e12, "1e+12"},
        {123456789.5, "1.23457e+08"},
        {-0.0, "-0"},
        {0.1 + 0.2, "0.3"},
        {1e-7, "1e-07"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::nan(""), "nan"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(CalcExpressionEvaluator::formatResult(value), expected) << value;
    }
}

TEST(CalcExpressionEvaluatorTest, PreviewWaitsForACompleteLine)
{
    const char* incomplete[] = {"", "  ", "abc", "2+", "2 *", "(3+4)*", "2^", "50%", "(", "-"};
    for (const char* text : incomplete) {
        EXPECT_EQ(CalcExpressionEvaluator::previewEvaluate(text), std::nullopt) << text;
    }
    EXPECT_EQ(CalcExpressionEvaluator::previewEvaluate(" 15% of 847 "), std::optional<std::string>("127.05"));
}

TEST(CalcExpressionEvaluatorTest, ErrorsCarryTheSentenceShownToTheUser)
{
    EXPECT_STREQ(CalcExpressionError(CalcExpressionError::emptyInput).what(),
                 "Calculation text is empty. Try: 2+2 or 15% of 847");
    EXPECT_EQ(CalcExpressionError(CalcExpressionError::invalidExpression).errorDescription(),
              "Could not parse that calculation. Try: 2+2, (3+4)*5, 2^3, or 15% of 847");
    EXPECT_EQ(CalcExpressionError(CalcExpressionError::divisionByZero).errorDescription(),
              "Division by zero is not allowed.");
    EXPECT_EQ(CalcExpressionError(CalcExpressionError::nonFiniteResult).errorDescription(),
              "Calculation result is too large or undefined.");
}

}  // namespace
}  // namespace qm
