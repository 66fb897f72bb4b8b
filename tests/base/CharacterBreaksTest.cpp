#include "base/CharacterBreaks.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace qm::text {
namespace {

struct BreaksCase {
    const char* name;
    std::u16string text;
    std::vector<std::size_t> boundaries;  // every one, 0 and the length included
};

void PrintTo(const BreaksCase& c, std::ostream* os)
{
    *os << c.name;
}

const BreaksCase kCases[] = {
    {"Empty", u"", {0}},
    {"Ascii", u"abc", {0, 1, 2, 3}},
    {"CrLfIsOneCharacter", u"a\r\nb", {0, 1, 3, 4}},
    {"CombiningMark", u"e\u0301x", {0, 2, 3}},
    {"SurrogatePair", u"a\U0001F600b", {0, 1, 3, 4}},
    {"SkinToneModifier", u"\U0001F44D\U0001F3FD!", {0, 4, 5}},
    {"FlagsPairUp", u"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7", {0, 4, 8}},
    {"ZwjFamily", u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466x", {0, 11, 12}},
    {"HangulJamo", u"\u1100\u1161\u11A8\u1100", {0, 3, 4}},
    {"LoneSurrogatesStandAlone", std::u16string{u'a', 0xD800, u'b', 0xDC00}, {0, 1, 2, 3, 4}},
};

class CharacterBreaksCases : public ::testing::TestWithParam<BreaksCase> {};

TEST_P(CharacterBreaksCases, WalksEveryBoundaryBothWays)
{
    const BreaksCase& c = GetParam();
    CharacterBreaks breaks(c.text);

    std::vector<std::size_t> forward{0};
    for (std::size_t at = 0; at < c.text.size();) {
        at = breaks.following(at);
        forward.push_back(at);
    }
    EXPECT_EQ(forward, c.boundaries);

    std::vector<std::size_t> backward{c.text.size()};
    for (std::size_t at = c.text.size(); at > 0;) {
        at = breaks.preceding(at);
        backward.insert(backward.begin(), at);
    }
    EXPECT_EQ(backward, c.boundaries);

    for (std::size_t offset = 0; offset <= c.text.size(); ++offset) {
        const bool expected =
            std::find(c.boundaries.begin(), c.boundaries.end(), offset) != c.boundaries.end();
        EXPECT_EQ(breaks.isBoundary(offset), expected) << offset;
    }
    EXPECT_EQ(breaks.count(0, c.text.size()), c.boundaries.size() - 1);
}

INSTANTIATE_TEST_SUITE_P(Texts, CharacterBreaksCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CharacterBreaksTest, OffsetsInsideOrPastTheTextLandOnTheCharacterAround)
{
    // "a", then a thumbs up with skin tone (4 units), then "b".
    const std::u16string text = u"a\U0001F44D\U0001F3FDb";
    CharacterBreaks breaks(text);

    EXPECT_EQ(breaks.following(2), 5u);  // inside the emoji: its end
    EXPECT_EQ(breaks.preceding(3), 1u);  // inside the emoji: its start
    EXPECT_EQ(breaks.following(6), 6u);
    EXPECT_EQ(breaks.following(100), 6u);
    EXPECT_EQ(breaks.preceding(100), 5u);
    EXPECT_EQ(breaks.preceding(0), 0u);
    EXPECT_FALSE(breaks.isBoundary(7));

    // Characters that begin in the range: one starting inside it counts, one
    // it starts inside does not.
    EXPECT_EQ(breaks.count(0, 6), 3u);
    EXPECT_EQ(breaks.count(1, 5), 1u);
    EXPECT_EQ(breaks.count(2, 6), 1u);
    EXPECT_EQ(breaks.count(0, 1), 1u);
    EXPECT_EQ(breaks.count(0, 2), 2u);
    EXPECT_EQ(breaks.count(4, 2), 0u);
    EXPECT_EQ(breaks.count(0, 100), 3u);
}

// A second object alive on the same thread (a helper calling a helper) must not
// take the first one's iterator away from it.
TEST(CharacterBreaksTest, NestedObjectsOnOneThreadKeepTheirOwnText)
{
    const std::u16string outerText = u"e\u0301e\u0301";
    CharacterBreaks outer(outerText);
    EXPECT_EQ(outer.following(0), 2u);
    {
        const std::u16string innerText = u"\U0001F1E9\U0001F1EAxyz";
        CharacterBreaks inner(innerText);
        EXPECT_EQ(inner.following(0), 4u);
        EXPECT_EQ(outer.following(2), 4u);
        EXPECT_EQ(inner.following(4), 5u);
    }
    EXPECT_EQ(outer.preceding(4), 2u);
    CharacterBreaks again(u"ab");
    EXPECT_EQ(again.following(0), 1u);
    EXPECT_EQ(outer.following(0), 2u);
}

TEST(CharacterBreaksTest, ManyThreadsSegmentAtOnce)
{
    std::vector<std::thread> threads;
    std::vector<int> wrong(8, 0);
    for (std::size_t t = 0; t < wrong.size(); ++t) {
        threads.emplace_back([&wrong, t] {
            const BreaksCase& c = kCases[t % std::size(kCases)];
            for (int round = 0; round < 500; ++round) {
                CharacterBreaks breaks(c.text);
                if (breaks.count(0, c.text.size()) != c.boundaries.size() - 1) {
                    ++wrong[t];
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (const int count : wrong) {
        EXPECT_EQ(count, 0);
    }
}

}  // namespace
}  // namespace qm::text
