#include "suggestions/HexColor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <fmt/format.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "base/CharacterBreaks.h"
#include "base/Text.h"

namespace qm {

namespace {

// The first `limit` user-perceived characters of the text, upper-cased as a
// whole (root locale: "ß" becomes "SS", so it counts as two). A colour has at
// most seven, so a long paste is never split into characters.
std::vector<icu::UnicodeString> upperCharacters(std::string_view utf8, std::size_t limit)
{
    icu::UnicodeString upper = icu::UnicodeString::fromUTF8(utf8);
    upper.toUpper(icu::Locale::getRoot());

    std::vector<icu::UnicodeString> characters;
    const std::u16string_view units(upper.getBuffer(), static_cast<std::size_t>(upper.length()));
    text::CharacterBreaks breaks(units);
    for (std::size_t start = 0; start < units.size() && characters.size() < limit;) {
        const std::size_t end = breaks.following(start);
        characters.emplace_back(upper, static_cast<int32_t>(start), static_cast<int32_t>(end - start));
        start = end;
    }
    return characters;
}

int hexDigit(UChar32 c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// As a scanner reads a hexadecimal number: white space skipped, an optional
// "0x", then the leading run of digits; no digits at all reads as 0.
std::uint64_t scanHex(const icu::UnicodeString& text)
{
    int32_t i = 0;
    while (i < text.length() && u_hasBinaryProperty(text.char32At(i), UCHAR_WHITE_SPACE)) {
        i = text.moveIndex32(i, 1);
    }
    if (i + 2 < text.length() && text[i] == u'0' && (text[i + 1] == u'X' || text[i + 1] == u'x') &&
        hexDigit(text[i + 2]) >= 0) {
        i += 2;
    }
    std::uint64_t value = 0;
    for (; i < text.length(); ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0) {
            break;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

}  // namespace

std::optional<Color> HexColor::parse(std::string_view text)
{
    // "#" and six digits, and one more to tell that there are too many.
    constexpr std::size_t kEnough = 8;
    std::vector<icu::UnicodeString> characters = upperCharacters(text::trimmed(text), kEnough);
    if (!characters.empty() && characters.front() == icu::UnicodeString(u"#")) {
        characters.erase(characters.begin());
    }
    if (characters.size() == 3) {
        std::vector<icu::UnicodeString> doubled;
        for (const auto& character : characters) {
            doubled.push_back(character);
            doubled.push_back(character);
        }
        characters = std::move(doubled);
    }
    if (characters.size() != 6) {
        return std::nullopt;
    }
    icu::UnicodeString digits;
    for (const auto& character : characters) {
        digits += character;
    }
    const std::uint64_t value = scanHex(digits);
    return Color{static_cast<double>((value >> 16) & 0xFF) / 255.0,
                 static_cast<double>((value >> 8) & 0xFF) / 255.0, static_cast<double>(value & 0xFF) / 255.0,
                 1.0};
}

std::optional<std::string> HexColor::format(const Color& color)
{
    int channels[3] = {};
    const double components[3] = {color.red, color.green, color.blue};
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(components[i])) {
            return std::nullopt;
        }
        // Wide-gamut components may leave 0...1; six digits must stay six digits.
        channels[i] = static_cast<int>(std::clamp(std::round(components[i] * 255.0), 0.0, 255.0));
    }
    return fmt::format("#{:02X}{:02X}{:02X}", channels[0], channels[1], channels[2]);
}

}  // namespace qm
