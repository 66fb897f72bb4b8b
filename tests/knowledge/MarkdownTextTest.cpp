#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Regex.h"
#include "base/Text.h"
#include "knowledge/MarkdownText.h"

namespace qm::test {
namespace {

// The stored text as six regular-expression replacements and a trim define it;
// the one-pass stripper must give exactly this for every input.
std::string byTheRegularExpressions(const std::string& text)
{
    static const std::pair<const char*, const char*> rules[] = {
        {R"(^#+\s+)", ""},
        {R"(\*\*|\*)", ""},
        {R"(__|_)", ""},
        {R"(\[([^\]]+)\]\([^\)]+\))", "$1"},
        {R"(!\[([^\]]*)\]\([^\)]+\))", ""},
        {R"(\s+)", " "},
    };
    std::string result = text;
    for (const auto& [pattern, replacement] : rules) {
        result = Regex::compile(pattern)->replaceAll(result, replacement);
    }
    return text::trimmed(result);
}

TEST(MarkdownTextTest, TrickyInputsMatchTheRegularExpressions)
{
    const std::vector<std::string> inputs = {
        "# Title\n\nSome **bold** and _it_ text with [a link](notes.md)",
        "##x heading without space",
        "#\n\n",
        "# ",
        "#*\n x",
        "[a [b](c)",
        "[a] b [c](d)",
        "[](x) [y]() [z](w)",
        "![](img.png) ![alt](img.png) !![x](y)",
        "[multi\nline](tar\nget)",
        "[x](a)(b)",
        "[x]](a)",
        "[[[[[[[[[[",
        "]]]]])))))",
        "[x](",
        "![x](a) [y](b",
        "a\u00a0b\u2003c\u3000d\u2028e\u2029f\u0085g\u000bh\u000ci\u180ej\u200bk\u001cl\ufeffm",
        "#\u00a0heading after a no-break space",
        "\xff\xfe[bad](utf8) *\xc3(",
        "",
    };
    for (const auto& input : inputs) {
        EXPECT_EQ(markdown::strippedToOneLine(input), byTheRegularExpressions(input)) << input;
    }
}

TEST(MarkdownTextTest, RandomMarkupMatchesTheRegularExpressions)
{
    const std::vector<std::string> pieces = {"#",      "[",   "]",    "(",  ")",  "!", "*",
                                             "_",      " ",   "\n",   "\t", "a",  "é", "\u00a0",
                                             "\u2028", "x y", "\xff", "##", "**", "__"};
    std::mt19937 random(109);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1), length(0, 40);
    for (int round = 0; round < 3000; ++round) {
        std::string input;
        for (auto n = length(random); n > 0; --n) {
            input += pieces[pick(random)];
        }
        ASSERT_EQ(markdown::strippedToOneLine(input), byTheRegularExpressions(input)) << input;
    }
}

// Brackets that never close must not send the pass back over the text from
// each one: quadratic work on two megabytes would outlast the test's time-out.
TEST(MarkdownTextTest, UnclosedBracketsAreOnePass)
{
    const std::string input = std::string(1 << 20, '[') + "]" + std::string(1 << 20, '(');
    EXPECT_EQ(markdown::strippedToOneLine(input), input);
}

}  // namespace
}  // namespace qm::test
