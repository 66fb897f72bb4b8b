#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm::text {

// UTF-8 is the system's text in memory; UTF-16 is how Accessibility and the
// regular expressions count positions. Invalid input becomes U+FFFD.
std::u16string toUtf16(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

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

}  // namespace qm::text
