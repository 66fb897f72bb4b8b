#include "suggestions/HexColor.h"

#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace qm {

static void PrintTo(const Color& color, std::ostream* out)
{
    *out << fmt::format("rgba({}, {}, {}, {})", color.red, color.green, color.blue, color.alpha);
}

namespace {

// The colour of six hexadecimal digits, built here from the numbers.
Color rgb(int red, int green, int blue)
{
    return {red / 255.0, green / 255.0, blue / 255.0, 1.0};
}

TEST(HexColorTest, ParseAcceptsTheFormsTheSystemWrites)
{
    struct Case {
        const char* text;
        std::optional<Color> expected;
    };
    const Case cases[] = {
        {"#10B981", rgb(0x10, 0xB9, 0x81)},
        {"  #10b981 \n", rgb(0x10, 0xB9, 0x81)},
        {"10B981", rgb(0x10, 0xB9, 0x81)},
        {"#fa0", rgb(0xFF, 0xAA, 0x00)},
        {"FA0", rgb(0xFF, 0xAA, 0x00)},
        {"#000000", rgb(0, 0, 0)},
        {"#FFFFFF", rgb(255, 255, 255)},
        // Wrong lengths.
        {"#10B98", std::nullopt},
        {"#10B9811", std::nullopt},
        {"", std::nullopt},
        {"#", std::nullopt},
        {"##10B981", std::nullopt},
        {"#10 B981", std::nullopt},
        {"#1234", std::nullopt},
        // Six characters: only the leading run of digits counts.
        {"GG0000", rgb(0, 0, 0)},
        {"#12345G", rgb(0x01, 0x23, 0x45)},
        {"#0X1234", rgb(0x00, 0x12, 0x34)},  // a scanner's "0x" prefix
        {"# 12345", rgb(0x01, 0x23, 0x45)},  // its skipped white space
        // Characters, not bytes; upper-casing may change the count.
        {"#ééé", rgb(0, 0, 0)},
        {"#ßßß", rgb(0, 0, 0)},           // "SSSSSS"
        {"#ßß", std::nullopt},            // "SSSS"
        {"#a\u0301bc", rgb(0, 0, 0x0A)},  // three characters, doubled; the mark ends the digits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HexColor::parse(c.text), c.expected) << c.text;
    }
}

TEST(HexColorTest, FormatRoundsHalvesAwayFromZeroAndStaysSixDigits)
{
    struct Case {
        Color color;
        std::optional<std::string> expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {rgb(0x10, 0xB9, 0x81), "#10B981"}, {{0, 0, 0, 0}, "#000000"},
        {{1, 1, 1, 0.5}, "#FFFFFF"},        {{0.5, 0.25, 0.75, 1}, "#8040BF"},  // 127.5, 63.75, 191.25
        {{0.002, 0.998, 0, 1}, "#01FE00"},                                      // 0.51, 254.49
        {{1.2, -0.1, 0.5, 1}, "#FF0080"},  // wide-gamut components are held to the range
        {{nan, 0, 0, 1}, std::nullopt},     {{0, infinity, 0, 1}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HexColor::format(c.color), c.expected);
    }
}

TEST(HexColorTest, EveryHexTextReadsAndWritesBackUpperCase)
{
    for (int value = 0; value < (1 << 24); value += 0x010203) {
        const std::string lower = fmt::format("#{:06x}", value);
        const auto color = HexColor::parse(lower);
        ASSERT_TRUE(color) << lower;
        EXPECT_EQ(HexColor::format(*color), fmt::format("#{:06X}", value));
    }
}

}  // namespace
}  // namespace qm
