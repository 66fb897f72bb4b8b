#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "capture/PassiveTriggerBuffer.h"

namespace qm {
namespace {

// The boundaries of `text` segmented as a whole by a break iterator of its own.
std::vector<std::size_t> wholeTextBoundaries(std::u16string_view text)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    EXPECT_TRUE(U_SUCCESS(status));
    const icu::UnicodeString value(false, text.data(), static_cast<std::int32_t>(text.size()));
    breaks->setText(value);
    std::vector<std::size_t> boundaries{0};
    for (auto end = breaks->next(); end != icu::BreakIterator::DONE; end = breaks->next()) {
        boundaries.push_back(static_cast<std::size_t>(end));
    }
    return boundaries;
}

// Pieces whose segmentation depends on what comes before or after them.
const std::vector<std::u16string> kPieces = {
    u"a",
    u"Z",
    u"/",
    u" ",
    u"\r",
    u"\n",
    u"\r\n",
    u"\t",
    u"\u0301",  // combining acute: joins the character before it
    u"\u200D",  // zero-width joiner
    u"\U0001F468",
    u"\U0001F469",
    u"\U0001F600",  // emoji (two units each)
    u"\u2764",
    u"\uFE0F",  // heart and the emoji variation selector
    u"\U0001F1FA",
    u"\U0001F1F8",
    u"\U0001F1EB",  // regional indicators: pair from a boundary
    u"\U0001F3FD",  // skin tone modifier
    u"\u0600",      // prepend: joins the character after it
    u"\u0903",      // spacing mark
    u"\u0915",
    u"\u094D",  // a consonant and the virama
    u"\u1100",
    u"\u1161",
    u"\u11A8",
    u"\uAC00",                            // Hangul L, V, T and an LV syllable
    std::u16string(1, char16_t{0xD83D}),  // a lone lead surrogate (stored as U+FFFD)
    u"\u00E9",
    u"e\u0301",
    u"\u0416",        // a Cyrillic letter
    u"\u0438\u0306",  // a Cyrillic letter and a combining breve
    u"\u00AD",        // soft hyphen, a control between characters
    u"\u0085",        // next line, a control outside ASCII
};

void expectWholeTextSegmentation(const PassiveTriggerBuffer& buffer, const std::string& steps)
{
    ASSERT_EQ(buffer.characterBoundaries(), wholeTextBoundaries(buffer.text())) << "after " << steps;
    ASSERT_EQ(buffer.characterCount(), buffer.characterBoundaries().size() - 1);
}

// The boundaries kept across edits must equal those of the whole text segmented
// afresh, whatever the edits: appends of one or several pieces, Delete, the cut
// to the last characters and the removal of a trigger's characters.
TEST(PassiveTriggerBufferTest, KeptBoundariesMatchTheWholeTextAfterAnyEdits)
{
    std::mt19937 random(20240611);
    for (int run = 0; run < 400; ++run) {
        PassiveTriggerBuffer buffer;
        std::string steps;
        for (int step = 0; step < 60; ++step) {
            const auto choice = random() % 10;
            if (choice < 6) {
                std::u16string added;
                for (auto pieces = 1 + random() % 3; pieces > 0; --pieces) {
                    added += kPieces[random() % kPieces.size()];
                }
                buffer.append(added);
                steps += "+" + std::to_string(added.size());
            } else if (choice < 8) {
                buffer.removeLastCharacter();
                steps += " del";
            } else if (choice < 9) {
                const std::size_t keep = random() % 12;
                buffer.keepLastCharacters(keep);
                steps += " keep" + std::to_string(keep);
            } else {
                const std::size_t count = random() % 4;
                buffer.removeLastCharacters(count);
                steps += " remove" + std::to_string(count);
            }
            expectWholeTextSegmentation(buffer, steps);
            steps += ";";
        }
    }
}

// Typing into a full buffer, as every key does once a hundred characters
// have been typed: it holds exactly the last characters typed, segmented as
// they would be on their own, however long the typing goes on.
TEST(PassiveTriggerBufferTest, FullBufferHoldsTheLastCharactersOverLongTyping)
{
    constexpr std::size_t kLimit = 100;
    std::mt19937 random(20261211);
    PassiveTriggerBuffer buffer;
    std::u16string expected;  // the kept text, cut and edited the slow way
    for (int key = 0; key < 3000; ++key) {
        if (random() % 8 == 0) {
            buffer.removeLastCharacter();
            const std::vector<std::size_t> starts = wholeTextBoundaries(expected);
            expected.erase(starts[starts.size() > 1 ? starts.size() - 2 : 0]);
        } else {
            std::u16string piece = kPieces[random() % kPieces.size()];
            if (piece.size() == 1 && piece[0] >= 0xD800 && piece[0] <= 0xDFFF) {
                piece = u"\uFFFD";  // what the buffer stores for a lone surrogate
            }
            buffer.append(piece);
            buffer.keepLastCharacters(kLimit);
            expected += piece;
            const std::vector<std::size_t> starts = wholeTextBoundaries(expected);
            if (starts.size() - 1 > kLimit) {
                expected.erase(0, starts[starts.size() - 1 - kLimit]);
            }
        }
        ASSERT_EQ(buffer.text(), std::u16string_view(expected)) << "after key " << key;
        expectWholeTextSegmentation(buffer, "key " + std::to_string(key));
        ASSERT_EQ(buffer, PassiveTriggerBuffer(expected)) << "after key " << key;
    }
}

// Latin, Greek and Cyrillic letters are segmented without ICU's tables; every
// code point from the end of ASCII to past the Cyrillic block, typed one by
// one between letters, twice in a row and before a combining mark, must give
// what ICU gives (the soft hyphen, controls and marks among them included).
TEST(PassiveTriggerBufferTest, LettersBeyondAsciiSegmentAsIcuSegmentsThem)
{
    for (char16_t unit = 0x80; unit < 0x560; ++unit) {
        const std::u16string letter(1, unit);
        for (const std::vector<std::u16string>& keys :
             {std::vector<std::u16string>{u"a", letter, letter, u"b"},
              std::vector<std::u16string>{letter, u"\u0301", u"z"}}) {
            PassiveTriggerBuffer buffer;
            for (const std::u16string& key : keys) {
                buffer.append(key);
            }
            ASSERT_EQ(buffer.characterBoundaries(), wholeTextBoundaries(buffer.text()))
                << "U+" << std::hex << static_cast<int>(unit);
        }
    }
}

TEST(PassiveTriggerBufferTest, EditsAtTheEndRejoinOrSplitTheLastCharacter)
{
    struct Case {
        const char* name;
        std::vector<std::u16string> appends;
        std::size_t characters;
        std::u16string lastCharacter;
    };
    const std::vector<Case> cases = {
        {"MarkJoinsAsciiLetter", {u"note", u"\u0301"}, 4, u"e\u0301"},
        {"CarriageReturnThenLineFeed", {u"a\r", u"\n"}, 2, u"\r\n"},
        {"LineFeedThenCarriageReturn", {u"a\n", u"\r"}, 3, u"\r"},
        {"JoinerBuildsOneFamily",
         {u"\U0001F468", u"\u200D", u"\U0001F469"},
         1,
         u"\U0001F468\u200D\U0001F469"},
        {"ThirdFlagHalfStartsANewCharacter", {u"\U0001F1FA", u"\U0001F1F8", u"\U0001F1EB"}, 2, u"\U0001F1EB"},
        {"FourthFlagHalfCompletesTheSecondFlag",
         {u"\U0001F1FA", u"\U0001F1F8", u"\U0001F1EB", u"\U0001F1F7"},
         2,
         u"\U0001F1EB\U0001F1F7"},
        {"PrependHoldsTheNextAsciiLetter", {u"\u0600", u"a", u"b"}, 2, u"b"},
        {"HangulJamoJoin", {u"\u1100", u"\u1161", u"\u11A8"}, 1, u"\u1100\u1161\u11A8"},
        {"LoneSurrogateIsReplaced", {u"a", std::u16string(1, char16_t{0xD83D}), u"b"}, 3, u"b"},
    };
    for (const auto& c : cases) {
        PassiveTriggerBuffer buffer;
        for (const auto& text : c.appends) {
            buffer.append(text);
        }
        EXPECT_EQ(buffer.characterCount(), c.characters) << c.name;
        EXPECT_EQ(buffer.lastCharacters(1), c.lastCharacter) << c.name;
        EXPECT_EQ(buffer.characterBoundaries(), wholeTextBoundaries(buffer.text())) << c.name;
    }
}

TEST(PassiveTriggerBufferTest, CutsAndDeletesNeverSplitACharacter)
{
    PassiveTriggerBuffer buffer(u"ab\U0001F1FA\U0001F1F8\U0001F1EB\U0001F1F7e\u0301");
    ASSERT_EQ(buffer.characterCount(), 5u);
    EXPECT_EQ(buffer.character(2), u"\U0001F1FA\U0001F1F8");
    EXPECT_EQ(buffer.character(5), u"");

    buffer.keepLastCharacters(3);
    EXPECT_EQ(buffer.text(), u"\U0001F1FA\U0001F1F8\U0001F1EB\U0001F1F7e\u0301");
    buffer.removeLastCharacter();
    EXPECT_EQ(buffer.text(), u"\U0001F1FA\U0001F1F8\U0001F1EB\U0001F1F7");
    // The flag left at the end still pairs with nothing typed after it.
    buffer.append(u"\U0001F1FA");
    EXPECT_EQ(buffer.characterCount(), 3u);
    buffer.removeLastCharacters(10);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(buffer.characterBoundaries(), std::vector<std::size_t>{0});
    EXPECT_EQ(buffer, PassiveTriggerBuffer());
}

}  // namespace
}  // namespace qm
