#include "records/IfThenLine.h"

#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "base/Text.h"

namespace qm {

namespace {

constexpr std::string_view kWhen = "when ";
constexpr std::size_t kWhenCharacters = 5;
constexpr std::size_t kMinimumTokenCharacters = 3;
constexpr std::size_t kMinimumPartCharacters = 2;

// The stop words shorter than 3 characters can never pass the length test; they
// are kept so that the list reads as one set of words.
const std::unordered_set<std::string_view>& stopWords()
{
    static const std::unordered_set<std::string_view> words{
        "i",    "im",   "open", "the", "a",   "an",  "my",   "in",   "on",  "to",
        "when", "back", "into", "app", "and", "for", "with", "this", "that"};
    return words;
}

bool isAlphanumeric(UChar32 codePoint)
{
    return (U_GET_GC_MASK(codePoint) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

// The byte offset of the first " then " in any letter case. The word has no
// letters that other characters case-fold to, so comparing ASCII is exact.
std::optional<std::size_t> findThen(std::string_view text)
{
    constexpr std::string_view word = " then ";
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < word.size() && same; ++k) {
            char c = text[i + k];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            same = c == word[k];
        }
        if (same) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> IfThenLine::significantTokens(std::string_view text)
{
    const std::string lower = text::lowercased(text);
    std::vector<std::string> tokens;
    const auto keep = [&](std::size_t begin, std::size_t end) {
        const std::string_view piece(lower.data() + begin, end - begin);
        if (text::graphemeCount(piece) >= kMinimumTokenCharacters && !stopWords().contains(piece)) {
            tokens.emplace_back(piece);
        }
    };

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(lower.data());
    const auto length = static_cast<std::int32_t>(lower.size());
    std::int32_t offset = 0;
    std::size_t pieceStart = 0;
    while (offset < length) {
        const std::int32_t start = offset;
        UChar32 codePoint = 0;
        U8_NEXT(bytes, offset, length, codePoint);
        if (codePoint < 0 || !isAlphanumeric(codePoint)) {
            keep(pieceStart, static_cast<std::size_t>(start));
            pieceStart = static_cast<std::size_t>(offset);
        }
    }
    keep(pieceStart, lower.size());
    return tokens;
}

std::optional<IfThenLine> IfThenLine::parse(std::string_view text)
{
    const std::string line = text::trimmed(text);
    // Characters are what the user sees: "when " followed by a combining mark
    // does not begin with the word and a plain space.
    const std::string head = text::truncateGraphemes(line, kWhenCharacters);
    if (text::lowercased(head) != kWhen) {
        return std::nullopt;
    }
    const std::string remainder = text::trimmed(std::string_view(line).substr(head.size()));

    std::string_view cue;
    std::string_view action;
    if (const auto comma = remainder.find(','); comma != std::string::npos) {
        cue = std::string_view(remainder).substr(0, comma);
        action = std::string_view(remainder).substr(comma + 1);
    } else if (const auto then = findThen(remainder)) {
        cue = std::string_view(remainder).substr(0, *then);
        action = std::string_view(remainder).substr(*then + std::string_view(" then ").size());
    } else {
        return std::nullopt;
    }

    IfThenLine result{text::trimmed(cue), text::trimmed(action), {}};
    if (text::graphemeCount(result.cue) < kMinimumPartCharacters ||
        text::graphemeCount(result.action) < kMinimumPartCharacters) {
        return std::nullopt;
    }
    result.tokens = significantTokens(result.cue);
    if (result.tokens.empty()) {
        return std::nullopt;
    }
    return result;
}

}  // namespace qm
