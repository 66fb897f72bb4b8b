#include "base/Text.h"

#include "base/CharacterBreaks.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <system_error>

#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace qm::text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
    char32_t codePoint;  // U+FFFD for an invalid sequence
    std::size_t size;    // bytes taken: a whole character or one maximal invalid subpart
    bool valid;
};

// One step of UTF-8 decoding at byte `i`. ICU's decoder gives the replacement
// boundaries that the rest of ICU uses (one U+FFFD per maximal invalid
// subpart); it is fed at most four bytes so that offsets past 2^31 stay exact.
Decoded decodeAt(std::string_view utf8, std::size_t i)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data() + i);
    const auto length = static_cast<std::int32_t>(std::min<std::size_t>(4, utf8.size() - i));
    std::int32_t taken = 0;
    UChar32 c = 0;
    U8_NEXT(bytes, taken, length, c);
    if (c < 0) {
        return {kReplacement, static_cast<std::size_t>(taken), false};
    }
    return {static_cast<char32_t>(c), static_cast<std::size_t>(taken), true};
}

bool isAscii(std::string_view utf8)
{
    return std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A read-only ICU view of UTF-16 text, without copying it.
icu::UnicodeString alias(std::u16string_view utf16)
{
    return icu::UnicodeString(false, utf16.data(), static_cast<std::int32_t>(utf16.size()));
}

// The UTF-16 offsets at which user-perceived characters end, in order, until
// `visit` returns false.
template <typename Visit> void forEachGraphemeEnd(std::u16string_view utf16, Visit visit)
{
    CharacterBreaks breaks(utf16);
    for (std::size_t end = 0; end < utf16.size();) {
        end = breaks.following(end);
        if (!visit(end)) {
            break;
        }
    }
}

bool isTrimmedSpace(char32_t c)
{
    // The platform's set is Z* plus U+0009...U+000D and U+0085, which is
    // exactly the Unicode White_Space property.
    return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_WHITE_SPACE);
}

bool isAlphanumeric(char32_t c)
{
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

// Byte offset in `utf8` of each UTF-16 offset asked for, walking the text once.
// `wanted` must be ascending; an offset that falls inside a character or past
// the end stays unset.
template <std::size_t N>
std::array<std::optional<std::size_t>, N> byteOffsetsOf(std::string_view utf8,
                                                        const std::array<std::size_t, N>& wanted)
{
    std::array<std::optional<std::size_t>, N> found;
    std::size_t unit = 0;
    std::size_t next = 0;
    for (std::size_t i = 0;;) {
        while (next < N && wanted[next] <= unit) {
            if (wanted[next] == unit) {
                found[next] = i;
            }
            ++next;
        }
        if (next == N || i >= utf8.size()) {
            break;
        }
        const auto d = decodeAt(utf8, i);
        i += d.size;
        unit += U16_LENGTH(d.codePoint);
    }
    return found;
}

}  // namespace

std::u16string toUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto d = decodeAt(utf8, i);
        i += d.size;
        if (d.codePoint <= 0xFFFF) {
            out.push_back(static_cast<char16_t>(d.codePoint));
        } else {
            out.push_back(static_cast<char16_t>(U16_LEAD(d.codePoint)));
            out.push_back(static_cast<char16_t>(U16_TRAIL(d.codePoint)));
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size();) {
        char32_t c = utf16[i++];
        if (U16_IS_LEAD(c) && i < utf16.size() && U16_IS_TRAIL(utf16[i])) {
            c = U16_GET_SUPPLEMENTARY(c, utf16[i]);
            ++i;
        } else if (U16_IS_SURROGATE(c)) {
            c = kReplacement;
        }
        std::array<std::uint8_t, 4> bytes{};
        std::int32_t length = 0;
        U8_APPEND_UNSAFE(bytes.data(), length, static_cast<UChar32>(c));
        out.append(reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(length));
    }
    return out;
}

bool isValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const auto d = decodeAt(bytes, i);
        if (!d.valid) {
            return false;
        }
        i += d.size;
    }
    return true;
}

std::string validUtf8(std::string_view bytes)
{
    return isValidUtf8(bytes) ? std::string(bytes) : toUtf8(toUtf16(bytes));
}

std::size_t graphemeCount(std::string_view utf8)
{
    if (isAscii(utf8)) {
        // Every ASCII character stands alone except CR LF, which is one.
        std::size_t pairs = 0;
        for (std::size_t i = 1; i < utf8.size(); ++i) {
            pairs += (utf8[i - 1] == '\r' && utf8[i] == '\n') ? 1 : 0;
        }
        return utf8.size() - pairs;
    }
    std::size_t count = 0;
    forEachGraphemeEnd(toUtf16(utf8), [&](std::size_t) {
        ++count;
        return true;
    });
    return count;
}

std::string truncateGraphemes(std::string_view utf8, std::size_t maxGraphemes)
{
    if (maxGraphemes == 0) {
        return {};
    }
    const auto utf16 = toUtf16(utf8);
    std::size_t count = 0;
    std::size_t cut = utf16.size();
    forEachGraphemeEnd(utf16, [&](std::size_t end) {
        if (++count == maxGraphemes) {
            cut = end;
            return false;
        }
        return true;
    });
    // The cut is a character boundary, so it always maps back onto the bytes.
    const auto kept = utf8Slice(utf8, {0, cut});
    return std::string(kept.value_or(utf8));
}

std::string trimmed(std::string_view utf8)
{
    std::size_t begin = 0;
    while (begin < utf8.size()) {
        const auto d = decodeAt(utf8, begin);
        if (!d.valid || !isTrimmedSpace(d.codePoint)) {
            break;
        }
        begin += d.size;
    }
    // Walk forward remembering where the last non-space character ended, so
    // that invalid sequences are delimited exactly as when decoding.
    std::size_t end = begin;
    for (std::size_t i = begin; i < utf8.size();) {
        const auto d = decodeAt(utf8, i);
        i += d.size;
        if (!d.valid || !isTrimmedSpace(d.codePoint)) {
            end = i;
        }
    }
    return std::string(utf8.substr(begin, end - begin));
}

std::string lowercased(std::string_view utf8)
{
    if (isAscii(utf8)) {
        std::string out(utf8);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
        return out;
    }
    const auto utf16 = toUtf16(utf8);
    icu::UnicodeString text(utf16.data(), static_cast<std::int32_t>(utf16.size()));
    text.toLower(icu::Locale::getRoot());
    return toUtf8(std::u16string_view(text.getBuffer(), static_cast<std::size_t>(text.length())));
}

bool canonicallyEqual(std::string_view a, std::string_view b)
{
    if (a == b) {
        return true;
    }
    if (isAscii(a) && isAscii(b)) {
        return false;
    }
    // Two different invalid byte runs would both decode to U+FFFD; treating
    // them as equal would merge texts that differ, so such text only equals itself.
    if (!isValidUtf8(a) || !isValidUtf8(b)) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    const auto* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) {
        return false;
    }
    const auto ua = toUtf16(a);
    const auto ub = toUtf16(b);
    const auto na = nfd->normalize(alias(ua), status);
    const auto nb = nfd->normalize(alias(ub), status);
    return U_SUCCESS(status) && na == nb;
}

std::string percentEncodeAlphanumerics(std::string_view utf8)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto d = decodeAt(utf8, i);
        const auto bytes = utf8.substr(i, d.size);
        i += d.size;
        if (d.valid && isAlphanumeric(d.codePoint)) {
            out.append(bytes);
            continue;
        }
        // Invalid bytes are escaped as they are, so the encoding can be undone.
        for (const char byte : bytes) {
            const auto value = static_cast<unsigned char>(byte);
            out.push_back('%');
            out.push_back(kHex[value >> 4]);
            out.push_back(kHex[value & 0x0F]);
        }
    }
    return out;
}

std::string describe(double value)
{
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    // Beyond 2^53 not every whole number is representable, and the platform
    // switches to the exponent form there, as it does below 1e-4.
    constexpr double kExactIntegerLimit = 9007199254740992.0;  // 2^53
    const double magnitude = std::fabs(value);
    const bool exponentForm = magnitude >= kExactIntegerLimit || (magnitude != 0 && magnitude < 1e-4);

    std::array<char, 64> buffer{};
    const auto format = exponentForm ? std::chars_format::scientific : std::chars_format::fixed;
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
    std::string text(buffer.data(), result.ptr);
    // Shortest scientific output already has the platform's "1e-05" shape.
    if (!exponentForm && text.find('.') == std::string::npos) {
        text += ".0";
    }
    return text;
}

std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto d = decodeAt(utf8, i);
        i += d.size;
        units += U16_LENGTH(d.codePoint);
    }
    return units;
}

std::optional<std::string_view> utf8Slice(std::string_view utf8, Utf16Range range)
{
    if (range.end() < range.location) {
        return std::nullopt;
    }
    const auto offsets = byteOffsetsOf<2>(utf8, {range.location, range.end()});
    if (!offsets[0] || !offsets[1]) {
        return std::nullopt;
    }
    return utf8.substr(*offsets[0], *offsets[1] - *offsets[0]);
}

std::optional<Utf16Range> utf16RangeOfBytes(std::string_view utf8, std::size_t byteOffset,
                                            std::size_t byteLength)
{
    if (byteOffset > utf8.size() || byteLength > utf8.size() - byteOffset) {
        return std::nullopt;
    }
    const std::size_t byteEnd = byteOffset + byteLength;
    std::optional<std::size_t> start;
    std::size_t unit = 0;
    for (std::size_t i = 0;;) {
        if (i == byteOffset) {
            start = unit;
        }
        if (i == byteEnd) {
            return start ? std::optional<Utf16Range>(Utf16Range{*start, unit - *start}) : std::nullopt;
        }
        if (i > byteEnd) {
            return std::nullopt;
        }
        const auto d = decodeAt(utf8, i);
        i += d.size;
        unit += U16_LENGTH(d.codePoint);
    }
}

std::size_t utf16LengthOfCharacterBefore(std::string_view utf8, std::size_t utf16Offset)
{
    const auto utf16 = toUtf16(utf8);
    if (utf16Offset == 0 || utf16Offset > utf16.size()) {
        return 0;
    }
    std::size_t previousEnd = 0;
    forEachGraphemeEnd(utf16, [&](std::size_t end) {
        if (end >= utf16Offset) {
            return false;
        }
        previousEnd = end;
        return true;
    });
    return utf16Offset - previousEnd;
}

}  // namespace qm::text
