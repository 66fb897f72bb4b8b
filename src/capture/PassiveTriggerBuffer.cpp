#include "capture/PassiveTriggerBuffer.h"

#include <algorithm>

#include <unicode/utf16.h>

#include "base/CharacterBreaks.h"
#include "base/Text.h"

// Why editing the end is enough: a character boundary depends only on the text
// before it and the one code point after it, so the boundaries before the last
// character's start stay where they are when text is added or removed at the
// end, and the text from any boundary on segments the same way on its own
// (regional-indicator pairs count from a boundary, a joiner sequence never
// spans one). The tests check this against segmenting the whole text.

namespace qm {

namespace {

// Two ASCII units are always separate characters, except CR followed by LF.
bool breaksBetweenAscii(char16_t before, char16_t after)
{
    return !(before == u'\r' && after == u'\n');
}

}  // namespace

std::string PassiveTriggerBuffer::utf8() const
{
    return text::toUtf8(text_);
}

void PassiveTriggerBuffer::clear()
{
    text_.clear();
    boundaries_.assign(1, 0);
}

void PassiveTriggerBuffer::append(std::u16string_view text)
{
    if (text.empty()) {
        return;
    }
    const std::size_t oldSize = text_.size();
    text_.reserve(oldSize + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (U16_IS_LEAD(unit) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
            text_.push_back(unit);
            text_.push_back(text[++i]);
        } else if (U16_IS_SURROGATE(unit)) {
            text_.push_back(u'\uFFFD');
        } else {
            text_.push_back(unit);
        }
    }

    // ASCII after ASCII (or at the start): one character per unit.
    std::size_t at = oldSize;
    while (at < text_.size() && text_[at] < 0x80 &&
           (at == 0 || (text_[at - 1] < 0x80 && breaksBetweenAscii(text_[at - 1], text_[at])))) {
        boundaries_.push_back(++at);
    }
    if (at == text_.size()) {
        return;
    }
    // The rest may join the last character: segment from where that one starts.
    const std::size_t characters = boundaries_.size() - 1;
    segmentFrom(characters == 0 ? 0 : boundaries_[characters - 1]);
}

void PassiveTriggerBuffer::segmentFrom(std::size_t from)
{
    const auto kept = std::upper_bound(boundaries_.begin(), boundaries_.end(), from);
    boundaries_.erase(kept, boundaries_.end());
    const std::size_t length = text_.size() - from;
    if (length == 0) {
        return;
    }
    const std::u16string_view tail = std::u16string_view(text_).substr(from, length);
    text::CharacterBreaks breaks(tail);
    for (std::size_t end = 0; end < length;) {
        end = breaks.following(end);
        boundaries_.push_back(from + end);
    }
}

void PassiveTriggerBuffer::removeLastCharacter()
{
    removeLastCharacters(1);
}

void PassiveTriggerBuffer::removeLastCharacters(std::size_t count)
{
    if (count == 0 || text_.empty()) {
        return;
    }
    const std::size_t characters = characterCount();
    if (count >= characters) {
        clear();
        return;
    }
    const std::size_t keptCharacters = characters - count;
    text_.erase(boundaries_[keptCharacters]);
    boundaries_.resize(keptCharacters + 1);
}

void PassiveTriggerBuffer::keepLastCharacters(std::size_t count)
{
    const std::size_t characters = characterCount();
    if (characters <= count) {
        return;
    }
    const std::size_t dropped = characters - count;
    const std::size_t cut = boundaries_[dropped];
    text_.erase(0, cut);
    boundaries_.erase(boundaries_.begin(), boundaries_.begin() + static_cast<std::ptrdiff_t>(dropped));
    for (std::size_t& boundary : boundaries_) {
        boundary -= cut;
    }
}

std::u16string_view PassiveTriggerBuffer::lastCharacters(std::size_t count) const
{
    const std::size_t characters = characterCount();
    const std::size_t start = count >= characters ? 0 : boundaries_[characters - count];
    return std::u16string_view(text_).substr(start);
}

std::u16string_view PassiveTriggerBuffer::character(std::size_t index) const
{
    if (index + 1 >= boundaries_.size()) {
        return {};
    }
    return std::u16string_view(text_).substr(boundaries_[index], boundaries_[index + 1] - boundaries_[index]);
}

}  // namespace qm
