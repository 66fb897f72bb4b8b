#include "base/Text.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

namespace qm::text {
namespace {

// Family of four joined by zero-width joiners: 4 × 2 + 3 = 11 UTF-16 units.
const std::string kFamily = "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
const std::string kGermanFlag = "\U0001F1E9\U0001F1EA";
const std::string kThumbsUpMediumSkin = "\U0001F44D\U0001F3FD";

TEST(TextTest, ConvertsBetweenUtf8AndUtf16ReplacingInvalidInput)
{
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"", u""},
        {"plain", u"plain"},
        {"caf\u00E9 \u65E5\u672C", u"caf\u00E9 \u65E5\u672C"},
        {"\U0001F600!", u"\U0001F600!"},
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        // A sequence cut short is one replacement; bytes that can never start
        // or continue a sequence are one each.
        {"\xE2\x82"
         "x",
         u"\uFFFDx"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"\xF0\x9F\x98", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(toUtf16(c.utf8), c.utf16);
        EXPECT_EQ(utf16Length(c.utf8), c.utf16.size());
        EXPECT_EQ(toUtf16(toUtf8(c.utf16)), c.utf16);
    }
}

// Well-formed UTF-8 is what RFC 3629 allows; every other byte sequence is
// refused and, made valid, becomes one U+FFFD per maximal invalid part, as
// toUtf16 decodes it.
TEST(TextTest, ChecksUtf8ValidityAndReplacesWhatIsInvalid)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* valid;  // nullptr: the bytes are valid and come back unchanged
    };
    const Case cases[] = {
        {"empty", "", nullptr},
        {"ASCII with NUL", std::string("a\0b", 3), nullptr},
        {"two-byte", "caf\u00E9", nullptr},
        {"three-byte", "\u20AC", nullptr},
        {"four-byte", "\U0001F600", nullptr},
        {"last code point", "\U0010FFFF", nullptr},
        {"last before the surrogates", "\uD7FF", nullptr},
        {"first after the surrogates", "\uE000", nullptr},
        {"noncharacter", "\uFFFE", nullptr},
        // Overlong forms.
        {"overlong slash, two bytes", "\xC0\xAF", "\uFFFD\uFFFD"},
        {"overlong NUL, two bytes", "a\xC0\x80z", "a\uFFFD\uFFFDz"},
        {"overlong three bytes", "\xE0\x80\xAF", "\uFFFD\uFFFD\uFFFD"},
        {"overlong four bytes", "\xF0\x82\x82\xAC", "\uFFFD\uFFFD\uFFFD\uFFFD"},
        // Surrogates encoded as if they were characters (CESU-8 / WTF-8).
        {"high surrogate", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
        {"low surrogate", "\xED\xBF\xBF", "\uFFFD\uFFFD\uFFFD"},
        {"surrogate pair", "\xED\xA0\xBD\xED\xB8\x80", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        // Beyond U+10FFFF, and bytes that never occur.
        {"above U+10FFFF", "\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"FF", "a\xFF", "a\uFFFD"},
        {"lone continuation", "\x80x", "\uFFFDx"},
        // Sequences cut short are one replacement each.
        {"truncated two of three", "\xE2\x82", "\uFFFD"},
        {"truncated three of four", "\xF0\x9F\x98", "\uFFFD"},
        {"truncated, then ASCII", "\xF0\x9F\x98!", "\uFFFD!"},
        {"truncated inside valid text", "ok \xE2\x82 ok \u20AC", "ok \uFFFD ok \u20AC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid == nullptr);
        const std::string valid = validUtf8(c.bytes);
        EXPECT_EQ(valid, c.valid ? std::string(c.valid) : c.bytes);
        EXPECT_TRUE(isValidUtf8(valid));
        EXPECT_EQ(valid, toUtf8(toUtf16(c.bytes)));
    }
}

TEST(TextTest, Utf16WithUnpairedSurrogatesBecomesReplacementCharacters)
{
    EXPECT_EQ(toUtf8(u"a\xD800"
                     u"b"),
              "a\uFFFDb");
    EXPECT_EQ(toUtf8(std::u16string{0xDC00, 0xD800}), "\uFFFD\uFFFD");
    EXPECT_EQ(toUtf8(std::u16string{0xD83D}), "\uFFFD");
    EXPECT_EQ(toUtf8(u"\U0001F600"), "\U0001F600");
}

TEST(TextTest, CountsUserPerceivedCharacters)
{
    struct Case {
        std::string text;
        std::size_t graphemes;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 3},
        {"a\r\nb", 3},
        {"e\u0301", 1},
        {"e\u0301\u0323x", 2},
        {kGermanFlag, 1},
        {kGermanFlag + kGermanFlag, 2},
        {kFamily, 1},
        {kThumbsUpMediumSkin + "!", 2},
        {"\u1100\u1161\u11A8", 1},
        {"\xFF\xFE", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(graphemeCount(c.text), c.graphemes);
    }
}

TEST(TextTest, TruncatesWithoutSplittingACharacter)
{
    struct Case {
        std::string text;
        std::size_t max;
        std::string expected;
    };
    const Case cases[] = {
        {"hello", 3, "hel"},
        {"hello", 5, "hello"},
        {"hello", 9, "hello"},
        {"hello", 0, ""},
        {"e\u0301e\u0301", 1, "e\u0301"},
        {kGermanFlag + "\U0001F1EB\U0001F1F7", 1, kGermanFlag},
        {kFamily + "x" + kFamily, 2, kFamily + "x"},
        {"a\r\nb", 2, "a\r\n"},
        // Bytes that do not decode are kept as they were, not rewritten.
        {"\xFF"
         "abc",
         2,
         "\xFF"
         "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(truncateGraphemes(c.text, c.max), c.expected);
    }
}

TEST(TextTest, TrimsWhitespaceAndNewlinesOnly)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {" \t\n\r\v\f abc ", "abc"},
        {"a  b", "a  b"},
        {"\u00A0\u2028x\u2029\u0085\u3000", "x"},
        {"\u2003note\u202F\u205F", "note"},
        // Zero-width space and BOM are format characters, not white space.
        {"\u200Bx\uFEFF", "\u200Bx\uFEFF"},
        {" \xFF ", "\xFF"},
        {"\xC2 ", "\xC2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(trimmed(c.text), c.expected);
    }
}

TEST(TextTest, LowercasesWithTheRootLocale)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"Hello WORLD 42", "hello world 42"},
        {"\u00C0\u00C9\u00CE", "\u00E0\u00E9\u00EE"},
        // Root rules, not Turkish: I is i, and İ keeps its dot as a combining mark.
        {"I", "i"},
        {"\u0130", "i\u0307"},
        {"\u039F\u0394\u039F\u03A3", "\u03BF\u03B4\u03BF\u03C2"},
        {"\u1E9E", "\u00DF"},
        {"\xFFX", "\uFFFDx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(lowercased(c.text), c.expected);
    }
}

TEST(TextTest, ComparesUnderCanonicalEquivalence)
{
    struct Case {
        std::string a;
        std::string b;
        bool equal;
    };
    const Case cases[] = {
        {"caf\u00E9", "cafe\u0301", true},
        {"\u00C5", "A\u030A", true},
        {"\u212B", "\u00C5", true},
        {"q\u0307\u0323", "q\u0323\u0307", true},
        {"\uAC00", "\u1100\u1161", true},
        // Compatibility equivalents are different text.
        {"\uFB01", "fi", false},
        {"\u00C5", "A", false},
        {"abc", "abd", false},
        {"", "", true},
        {"a\xFF", "a\xFF", true},
        // Distinct bad bytes would both read as U+FFFD; they stay distinct.
        {"a\xFF", "a\xFE", false},
        {"a\xFF", "a\uFFFD", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a + " | " + c.b);
        EXPECT_EQ(canonicallyEqual(c.a, c.b), c.equal);
        EXPECT_EQ(canonicallyEqual(c.b, c.a), c.equal);
    }
}

TEST(TextTest, PercentEncodesEverythingButAlphanumerics)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"com.quillmarker.app", "com%2Equillmarker%2Eapp"},
        {"mcp_token", "mcp%5Ftoken"},
        {"a b/c-d~e", "a%20b%2Fc%2Dd%7Ee"},
        {"", ""},
        {"caf\u00E9", "caf\u00E9"},
        {"e\u0301", "e\u0301"},
        // All number categories count as alphanumeric: Nd, Nl and No.
        {"\u0663\u216B\u00BD", "\u0663\u216B\u00BD"},
        {"\U0001F600", "%F0%9F%98%80"},
        {"100%", "100%25"},
        {"\u00A0", "%C2%A0"},
        // Undecodable bytes are escaped as they are, so nothing is lost.
        {"a\xFF"
         "b",
         "a%FFb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(percentEncodeAlphanumerics(c.text), c.expected);
    }
}

TEST(TextTest, DescribesDoublesLikeThePlatform)
{
    struct Case {
        double value;
        std::string expected;
    };
    const Case cases[] = {
        {1.0, "1.0"},
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {0.1, "0.1"},
        {0.15, "0.15"},
        {847.0, "847.0"},
        {123.456, "123.456"},
        {-2.5, "-2.5"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1e-4, "0.0001"},
        {0.00012, "0.00012"},
        {1e-5, "1e-05"},
        {2.5e-5, "2.5e-05"},
        {-1e-7, "-1e-07"},
        {5e-324, "5e-324"},
        {9007199254740991.0, "9007199254740991.0"},
        {2251799813685248.5, "2251799813685248.5"},
        {9007199254740992.0, "9.007199254740992e+15"},
        {1e16, "1e+16"},
        {1.2345e20, "1.2345e+20"},
        {1e300, "1e+300"},
        {DBL_MAX, "1.7976931348623157e+308"},
        {INFINITY, "inf"},
        {-INFINITY, "-inf"},
        {NAN, "nan"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(describe(c.value), c.expected);
    }
}

TEST(TextTest, DescribedDoublesReadBackExactly)
{
    std::mt19937_64 random(20240601);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) {
            continue;
        }
        const auto text = describe(value);
        SCOPED_TRACE(text);
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), value);
        ASSERT_TRUE(text.find('.') != std::string::npos || text.find('e') != std::string::npos);
    }
}

// "a😀é👨‍👩‍👧‍👦b": UTF-16 offsets a=0, 😀=1..3, é=3, family=4..15, b=15.
const std::string kMixed = "a\U0001F600\u00E9" + kFamily + "b";

TEST(TextTest, MapsUtf16RangesOntoUtf8Bytes)
{
    struct Case {
        Utf16Range range;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {{0, 1}, "a"},
        {{1, 2}, "\U0001F600"},
        {{3, 1}, "\u00E9"},
        {{4, 11}, kFamily},
        {{15, 1}, "b"},
        {{0, 16}, kMixed},
        {{16, 0}, ""},
        {{1, 0}, ""},
        // Between the halves of a surrogate pair, or past the end.
        {{2, 1}, std::nullopt},
        {{1, 1}, std::nullopt},
        {{15, 2}, std::nullopt},
        {{17, 0}, std::nullopt},
        {{SIZE_MAX, 2}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.range.location << "+" << c.range.length);
        const auto slice = utf8Slice(kMixed, c.range);
        ASSERT_EQ(slice.has_value(), c.expected.has_value());
        if (slice) {
            EXPECT_EQ(std::string(*slice), *c.expected);
            const auto byteOffset = static_cast<std::size_t>(slice->data() - kMixed.data());
            EXPECT_EQ(utf16RangeOfBytes(kMixed, byteOffset, slice->size()), c.range);
        }
    }
}

TEST(TextTest, MapsUtf8BytesOntoUtf16Ranges)
{
    struct Case {
        std::string text;
        std::size_t offset;
        std::size_t length;
        std::optional<Utf16Range> expected;
    };
    const Case cases[] = {
        {kMixed, 0, 1, Utf16Range{0, 1}},
        {kMixed, 1, 4, Utf16Range{1, 2}},
        {kMixed, 5, 2, Utf16Range{3, 1}},
        {kMixed, kMixed.size(), 0, Utf16Range{16, 0}},
        // Inside the emoji's four bytes, or beyond the text.
        {kMixed, 2, 3, std::nullopt},
        {kMixed, 1, 2, std::nullopt},
        {kMixed, kMixed.size(), 1, std::nullopt},
        {kMixed, SIZE_MAX, 1, std::nullopt},
        // A bad byte is one unit, like the U+FFFD it reads as.
        {"\xFF"
         "b",
         1, 1, Utf16Range{1, 1}},
        {"\xE2\x82"
         "b",
         2, 1, Utf16Range{1, 1}},
        {"\xE2\x82"
         "b",
         1, 1, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.offset << "+" << c.length);
        EXPECT_EQ(utf16RangeOfBytes(c.text, c.offset, c.length), c.expected);
    }
}

TEST(TextTest, MeasuresTheCharacterBeforeACaret)
{
    struct Case {
        std::string text;
        std::size_t offset;
        std::size_t units;
    };
    const Case cases[] = {
        {"ab", 2, 1},
        {"ab", 0, 0},
        {"ab", 3, 0},
        {"", 0, 0},
        {"a\U0001F600", 3, 2},
        {"a\U0001F600", 1, 1},
        {kGermanFlag, 4, 4},
        {kFamily + "x", 11, 11},
        {kFamily + "x", 12, 1},
        {kThumbsUpMediumSkin, 4, 4},
        {"e\u0301", 2, 2},
        {"a\r\n", 3, 2},
        // A caret inside a character counts what of it lies before the caret.
        {"\U0001F600", 1, 1},
        {kGermanFlag, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.text << " @" << c.offset);
        EXPECT_EQ(utf16LengthOfCharacterBefore(c.text, c.offset), c.units);
    }
}

}  // namespace
}  // namespace qm::text
