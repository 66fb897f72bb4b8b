#include "knowledge/MarkdownText.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "base/Text.h"

namespace qm::markdown {
namespace {

// The byte length of the white-space character at `at`, 0 when there is none.
std::size_t spaceAt(std::string_view text, std::size_t at)
{
    const auto first = static_cast<unsigned char>(text[at]);
    if (first < 0x80) {
        return first == ' ' || (first >= '\t' && first <= '\r') ? 1 : 0;
    }
    UChar32 c = 0;
    auto offset = static_cast<std::int32_t>(at);
    U8_NEXT(reinterpret_cast<const std::uint8_t*>(text.data()), offset,
            static_cast<std::int32_t>(text.size()), c);
    return c >= 0 && u_hasBinaryProperty(c, UCHAR_WHITE_SPACE) ? static_cast<std::size_t>(offset) - at : 0;
}

std::string_view withoutOpeningHeading(std::string_view text)
{
    std::size_t marks = 0;
    while (marks < text.size() && text[marks] == '#') {
        ++marks;
    }
    std::size_t end = marks;
    while (marks > 0 && end < text.size()) {
        const auto length = spaceAt(text, end);
        if (length == 0) {
            break;
        }
        end += length;
    }
    return end > marks ? text.substr(end) : text;
}

std::string withoutAsterisksAndUnderscores(std::string_view text)
{
    std::string out(text.size(), '\0');
    auto* next = out.data();
    for (const char c : text) {
        *next = c;
        next += (c != '*' && c != '_') ? 1 : 0;
    }
    out.resize(static_cast<std::size_t>(next - out.data()));
    return out;
}

// The first `c` at or after `from`, remembered between calls whose `from`
// only grows, so a text full of openers is still walked once.
class NextOf {
public:
    NextOf(std::string_view text, char c) : text_(text), c_(c) {}

    std::size_t from(std::size_t from)
    {
        // Nothing of `c_` lies between searched_ and found_.
        if (searched_ != std::string_view::npos && searched_ <= from &&
            (found_ == std::string_view::npos || found_ >= from)) {
            return found_;
        }
        found_ = text_.find(c_, from);
        searched_ = from;
        return found_;
    }

private:
    std::string_view text_;
    char c_;
    std::size_t found_ = std::string_view::npos;
    std::size_t searched_ = std::string_view::npos;
};

// Replaces each "[text](target)" (after a "!" when `image`) by its text, or by
// nothing for an image. The text may be empty only for an image; the target
// never. Neither holds the bracket that closes it.
std::string withoutBracketedLinks(std::string_view text, bool image)
{
    std::string out;
    out.reserve(text.size());
    NextOf closingBracket(text, ']');
    NextOf closingParenthesis(text, ')');
    const std::string_view opener = image ? "![" : "[";
    std::size_t at = 0;
    while (at < text.size()) {
        // Everything before the next opener is copied as it stands.
        const auto candidate = text.find(opener, at);
        if (candidate == std::string_view::npos) {
            break;
        }
        out.append(text.substr(at, candidate - at));
        at = candidate;
        const std::size_t open = at + opener.size() - 1;
        const auto close = closingBracket.from(open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        const bool hasText = image || close > open + 1;
        if (hasText && close + 1 < text.size() && text[close + 1] == '(') {
            const auto end = closingParenthesis.from(close + 2);
            if (end != std::string_view::npos && end > close + 2) {
                if (!image) {
                    out.append(text.substr(open + 1, close - open - 1));
                }
                at = end + 1;
                continue;
            }
        }
        out.push_back(text[at]);
        ++at;
    }
    out.append(text.substr(std::min(at, text.size())));
    return out;
}

// Each run of white space becomes one blank, and the runs at both ends go.
std::string withSpaceRunsAsOneBlankTrimmed(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool spaceBefore = false;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto length = spaceAt(text, at);
        if (length > 0) {
            spaceBefore = !out.empty();
            at += length;
            continue;
        }
        if (spaceBefore) {
            out.push_back(' ');
            spaceBefore = false;
        }
        out.push_back(text[at]);
        ++at;
    }
    return out;
}

}  // namespace

std::string strippedToOneLine(std::string_view text)
{
    // Valid text, nearly every note, is read where it lies; only text to be
    // repaired is copied first.
    std::string repaired;
    if (!text::isValidUtf8(text)) {
        repaired = text::validUtf8(text);
        text = repaired;
    }
    std::string result = withoutAsterisksAndUnderscores(withoutOpeningHeading(text));
    // A pass finds nothing to replace without its opener in the text.
    if (result.find('[') != std::string::npos) {
        result = withoutBracketedLinks(result, false);
        if (result.find("![") != std::string::npos) {
            result = withoutBracketedLinks(result, true);
        }
    }
    return withSpaceRunsAsOneBlankTrimmed(result);
}

}  // namespace qm::markdown
