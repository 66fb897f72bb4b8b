#include "targets/ExpressionEvaluator.h"

#include <cmath>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace qm {
namespace {

struct ValueCase {
    const char* text;
    double expected;
};

TEST(ExpressionEvaluatorTest, EvaluatesWithUsualPrecedenceAndAssociativity)
{
    const ValueCase cases[] = {
        {"1+2*3", 7},
        {"(1+2)*3", 9},
        {"1-2-3", -4},
        {"8/2/2", 2},
        {"2**3**2", 512},
        {"(2**3)**2", 64},
        {"2*3**2", 18},
        {"-2**2", -4},
        {"(-2)**2", 4},
        {"2*-3", -6},
        {"2**-1", 0.5},
        {"2--3", 5},
        {"--2", 2},
        {"-(1+2)*3", -9},
        {"7.0/2.0", 3.5},
        {" 2 + 3 ", 5},
        {".5+5.", 5.5},
        {"2*(3+4)", 14},
        {"1.5*1.5", 2.25},
        {"10-2**3*2", -6},
        {"0.1+0.2", 0.1 + 0.2},
        {"2.0**0.5", std::sqrt(2.0)},
    };
    for (const auto& c : cases) {
        const auto value = ExpressionEvaluator::evaluate(c.text);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_DOUBLE_EQ(*value, c.expected) << c.text;
    }
}

TEST(ExpressionEvaluatorTest, TextThatDoesNotParseGivesNothing)
{
    const char* cases[] = {"",    " ",   "2+",  "2 3",   "(2",  "2)",      "()",       "2%3",
                           "+2",  "2**", "**2", "1.2.3", ".",   "2 * * 3", "2 ** * 3", "abc",
                           "1e5", "2,5", "2^3", "(1+2",  "١+١", "2\n+3",   "5-"};
    for (const char* text : cases) {
        EXPECT_FALSE(ExpressionEvaluator::evaluate(text).has_value()) << text;
    }
}

TEST(ExpressionEvaluatorTest, DivisionByZeroIsNonFiniteNotAFailure)
{
    EXPECT_EQ(ExpressionEvaluator::evaluate("1/0"), std::optional<double>(HUGE_VAL));
    EXPECT_EQ(ExpressionEvaluator::evaluate("-1/0"), std::optional<double>(-HUGE_VAL));
    const auto nan = ExpressionEvaluator::evaluate("0/0");
    ASSERT_TRUE(nan.has_value());
    EXPECT_TRUE(std::isnan(*nan));
    EXPECT_EQ(ExpressionEvaluator::evaluate("10.0**400.0"), std::optional<double>(HUGE_VAL));
}

TEST(ExpressionEvaluatorTest, NestingIsBoundedWithoutExhaustingTheStack)
{
    const auto nested = [](int depth) {
        return std::string(static_cast<std::size_t>(depth), '(') + "1" +
               std::string(static_cast<std::size_t>(depth), ')');
    };
    EXPECT_EQ(ExpressionEvaluator::evaluate(nested(ExpressionEvaluator::maxDepth)), std::optional<double>(1));
    EXPECT_FALSE(ExpressionEvaluator::evaluate(nested(ExpressionEvaluator::maxDepth + 1)).has_value());
    EXPECT_FALSE(ExpressionEvaluator::evaluate(nested(200000)).has_value());
    EXPECT_FALSE(ExpressionEvaluator::evaluate(std::string(200000, '-') + "1").has_value());

    std::string exponents = "1";
    for (int i = 0; i < 100000; ++i) {
        exponents += "**1";
    }
    EXPECT_FALSE(ExpressionEvaluator::evaluate(exponents).has_value());

    // A long flat expression is not nesting.
    std::string sum = "1";
    for (int i = 0; i < 100000; ++i) {
        sum += "+1";
    }
    EXPECT_EQ(ExpressionEvaluator::evaluate(sum), std::optional<double>(100001));
}

TEST(ExpressionEvaluatorTest, HugeLiteralsReadAsInfinityAndTinyOnesAsZero)
{
    EXPECT_EQ(ExpressionEvaluator::evaluate(std::string(400, '9')), std::optional<double>(HUGE_VAL));
    EXPECT_EQ(ExpressionEvaluator::evaluate("0." + std::string(400, '0') + "1"), std::optional<double>(0.0));
}

}  // namespace
}  // namespace qm
