#include "records/IfThenLine.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qm {
namespace {

using Tokens = std::vector<std::string>;

struct ParseCase {
    std::string text;
    std::optional<IfThenLine> expected;
};

TEST(IfThenLineTest, SplitsWhenLinesIntoCueActionAndTokens)
{
    const ParseCase cases[] = {
        {"when I open Figma, review the mockups",
         IfThenLine{"I open Figma", "review the mockups", {"figma"}}},
        {"When standup then ask about the release",
         IfThenLine{"standup", "ask about the release", {"standup"}}},
        {"when budget THEN check", IfThenLine{"budget", "check", {"budget"}}},
        {"WHEN Budget Review, check totals",
         IfThenLine{"Budget Review", "check totals", {"budget", "review"}}},
        {"  \n when budget ,  check the totals \t", IfThenLine{"budget", "check the totals", {"budget"}}},
        {"when  budget, do it", IfThenLine{"budget", "do it", {"budget"}}},
        // A comma wins over " then ", even when " then " comes first.
        {"when budget then review, totals",
         IfThenLine{"budget then review", "totals", {"budget", "then", "review"}}},
        {"when budget, then, more", IfThenLine{"budget", "then, more", {"budget"}}},
        {"when budget then then check", IfThenLine{"budget", "then check", {"budget"}}},
        {"when Überweisung, prüfen", IfThenLine{"Überweisung", "prüfen", {"überweisung"}}},
        {"when 会議室 then 資料", IfThenLine{"会議室", "資料", {"会議室"}}},
        {"when 会議 then 資料", std::nullopt},  // a word needs 3 characters
        {"when 会議室の予約 then 資料", IfThenLine{"会議室の予約", "資料", {"会議室の予約"}}},
        {"when ab, cd", std::nullopt},
        {"when the app, do it", std::nullopt},
        {"when x, do it", std::nullopt},
        {"when budget, y", std::nullopt},
        {"whenever budget, check", std::nullopt},
        {"when budget review", std::nullopt},
        {"when budget thencheck", std::nullopt},
        {"when a, b then c, d", std::nullopt},
        {"when\tbudget, check", std::nullopt},
        {"when\nbudget, check", std::nullopt},
        {"when , check", std::nullopt},
        {"when", std::nullopt},
        {"when ", std::nullopt},
        {"", std::nullopt},
        {"remember: when budget, check", std::nullopt},
        // A combining mark on the space makes it another character than a space.
        {"when \u0301budget, check", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IfThenLine::parse(c.text), c.expected);
    }
}

TEST(IfThenLineTest, CueKeepsItsCaseWhileTokensAreLowerCase)
{
    const auto line = IfThenLine::parse("When I open the BUDGET-Sheet, check");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->cue, "I open the BUDGET-Sheet");
    EXPECT_EQ(line->tokens, (Tokens{"budget", "sheet"}));
}

struct TokenCase {
    std::string text;
    Tokens expected;
};

TEST(IfThenLineTest, SignificantTokensKeepLongWordsThatAreNotStopWords)
{
    const TokenCase cases[] = {
        {"Q3-Budget.xlsx \u2014 Numbers", {"budget", "xlsx", "numbers"}},
        {"", {}},
        {"budget and budget", {"budget", "budget"}},
        {"I open the app when I'm back into this and that with my notes for it", {"notes"}},
        {"Open THE App", {}},
        {"Café Déjà-vu", {"café", "déjà"}},
        {"cafe\u0301 ok", {"cafe\u0301"}},  // the mark belongs to the word; 4 characters
        {"2024 report_v2", {"2024", "report"}},
        {"tab\tline\nbreak", {"tab", "line", "break"}},
        {"Привет мир", {"привет", "мир"}},
        {"abc\xff"
         "def",
         {"abc", "def"}},
        {"emoji\U0001F600face", {"emoji", "face"}},
        {",,,", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IfThenLine::significantTokens(c.text), c.expected);
    }
}

}  // namespace
}  // namespace qm
