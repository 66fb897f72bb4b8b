#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/Utf16Range.h"

namespace qm::text {

// UTF-8 is the system's text in memory; UTF-16 is how Accessibility and the
// regular expressions count positions. Invalid input becomes U+FFFD.
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates
// (U+D800...U+DFFF), nothing above U+10FFFF, no truncated sequence.
bool isValidUtf8(std::string_view bytes);
// The bytes themselves when they are valid UTF-8; otherwise each invalid
// sequence becomes U+FFFD, exactly as toUtf16 decodes it.
std::string validUtf8(std::string_view bytes);

// User-perceived characters (extended grapheme clusters).
std::size_t graphemeCount(std::string_view utf8);
// The first `maxGraphemes` user-perceived characters, never splitting one.
std::string truncateGraphemes(std::string_view utf8, std::size_t maxGraphemes);

// Trims the platform's "whitespaces and newlines" set (Unicode White_Space plus
// the line and paragraph separators) from both ends.
std::string trimmed(std::string_view utf8);

// Lower-cases with the root locale (no Turkish dotless-i surprises).
std::string lowercased(std::string_view utf8);

// Equality under Unicode canonical equivalence ("é" precomposed equals "e" + U+0301).
bool canonicallyEqual(std::string_view a, std::string_view b);

// Percent-encoding that keeps the Unicode alphanumeric characters (letters,
// marks and digits) and writes every other character as the %XX escapes of its
// UTF-8 bytes, upper-case hex. Gives the input unchanged if encoding yields nothing.
std::string percentEncodeAlphanumerics(std::string_view utf8);

// A double as the shortest decimal text that reads back as the same number,
// in the platform's description form: "1.0", "0.1", "1e-05", "1e+16", "inf",
// "-inf", "nan". Whole numbers below 2^53 keep ".0"; values below 1e-4 or at
// least 2^53 in magnitude use the exponent form.
std::string describe(double value);

// --- Positions shared with Accessibility and the regular expressions ---
// All of these decode UTF-8 exactly as toUtf16 does: each invalid sequence is
// one U+FFFD, one UTF-16 unit.

// The number of UTF-16 code units of toUtf16(utf8), without building it.
std::size_t utf16Length(std::string_view utf8);

// The bytes of `utf8` that a UTF-16 range covers, as a view into `utf8`.
// Nothing when the range reaches past the end or one of its ends falls inside
// a character (between the two halves of a surrogate pair).
std::optional<std::string_view> utf8Slice(std::string_view utf8, Utf16Range range);

// The UTF-16 range of the `byteLength` bytes at `byteOffset` of `utf8`. Nothing
// when they reach past the end or one of their ends cuts a UTF-8 sequence.
std::optional<Utf16Range> utf16RangeOfBytes(std::string_view utf8, std::size_t byteOffset,
                                            std::size_t byteLength);

// How many UTF-16 units the last user-perceived character before `utf16Offset`
// takes (2 for most emoji, 4 for a flag, 11 for a family of four): what one
// Delete key removes in front of a caret there. An offset inside a character
// counts only that character's units before it. 0 at the start of the text and
// for an offset past its end.
std::size_t utf16LengthOfCharacterBefore(std::string_view utf8, std::size_t utf16Offset);

}  // namespace qm::text
