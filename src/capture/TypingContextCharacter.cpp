#include "capture/TypingContextCharacter.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "base/Text.h"

namespace qm {

namespace {

TypingContextCharacter::Kind kindOf(UChar32 c)
{
    using Kind = TypingContextCharacter::Kind;
    if (c == U'\'' || u_hasBinaryProperty(c, UCHAR_ALPHABETIC) ||
        u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE) {
        return Kind::word;
    }
    if ((U_GET_GC_MASK(c) & U_GC_P_MASK) != 0) {
        return Kind::punctuation;
    }
    if (u_isUWhiteSpace(c)) {
        return Kind::whitespace;
    }
    return Kind::other;
}

}  // namespace

std::optional<TypingContextCharacter> TypingContextCharacter::first(std::string_view utf8)
{
    if (utf8.empty()) {
        return std::nullopt;
    }
    std::int32_t offset = 0;
    UChar32 c = 0;
    U8_NEXT(utf8.data(), offset, static_cast<std::int32_t>(utf8.size()), c);
    if (c < 0) {
        c = 0xFFFD;
    }
    // Most keys type one code point; only then is the break iterator not needed.
    std::string character = static_cast<std::size_t>(offset) == utf8.size()
                                ? std::string(utf8)
                                : text::truncateGraphemes(utf8, 1);
    return TypingContextCharacter(std::move(character), kindOf(c));
}

}  // namespace qm
