#include "capture/PassiveTriggerBuffer.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include <unicode/uchar.h>
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

bool isControl(std::int32_t kind)
{
    return kind == U_GCB_CONTROL || kind == U_GCB_CR || kind == U_GCB_LF;
}

// Latin, Greek and Cyrillic letters and the signs between them, all of the
// plain ("Other") break property: known without ICU's property tables, which
// a key after a pause finds cold. Not the soft hyphen (a control) nor the
// combining marks between the ranges.
bool isPlainLetter(char32_t c)
{
    return (c >= 0xA0 && c <= 0x2FF && c != 0xAD) || (c >= 0x370 && c <= 0x482) || (c >= 0x48A && c <= 0x52F);
}

// Whether a character boundary falls between two code points by the rules
// that look at these two alone: CR LF stays one character, controls stand
// alone, and two plain code points (letters of most scripts, punctuation,
// most emoji) are two characters. Nothing when the rules that look further
// decide (marks, joiners, Hangul, regional indicators): ICU's iterator then does.
std::optional<bool> breaksBetween(char32_t before, char32_t after)
{
    if (before < 0x80 && after < 0x80) {
        return !(before == U'\r' && after == U'\n');  // no ICU for ASCII
    }
    const auto plain = [](char32_t c) { return (c >= 0x20 && c < 0x7F) || isPlainLetter(c); };
    if (plain(before) && plain(after)) {
        return true;
    }
    const std::int32_t left =
        u_getIntPropertyValue(static_cast<UChar32>(before), UCHAR_GRAPHEME_CLUSTER_BREAK);
    const std::int32_t right =
        u_getIntPropertyValue(static_cast<UChar32>(after), UCHAR_GRAPHEME_CLUSTER_BREAK);
    if (isControl(left) || isControl(right)) {
        return !(left == U_GCB_CR && right == U_GCB_LF);
    }
    if (left == U_GCB_OTHER && right == U_GCB_OTHER) {
        return true;
    }
    return std::nullopt;
}

}  // namespace

std::string PassiveTriggerBuffer::utf8() const
{
    return text::toUtf8(text());
}

void PassiveTriggerBuffer::clear()
{
    text_.clear();
    boundaries_.assign(1, 0);
    first_ = 0;
}

std::vector<std::size_t> PassiveTriggerBuffer::characterBoundaries() const
{
    std::vector<std::size_t> relative;
    relative.reserve(characterCount() + 1);
    for (std::size_t index = 0; index <= characterCount(); ++index) {
        relative.push_back(characterStart(index));
    }
    return relative;
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

    // While each new code point plainly starts a character of its own (ASCII
    // after ASCII, a letter after a letter), it is one; no ICU iterator needed.
    const std::size_t start = boundaries_[first_];
    std::size_t at = oldSize;
    while (at < text_.size()) {
        std::size_t next = at;
        char32_t after = 0;
        U16_NEXT_UNSAFE(text_.data(), next, after);
        if (at > start) {
            std::size_t previous = at;
            char32_t before = 0;
            U16_PREV_UNSAFE(text_.data(), previous, before);
            if (breaksBetween(before, after) != true) {
                break;
            }
        }
        boundaries_.push_back(static_cast<Position>(next));
        at = next;
    }
    if (at == text_.size()) {
        return;
    }
    // The rest may join the last character: segment from where that one starts.
    const std::size_t characters = characterCount();
    segmentFrom(characters == 0 ? start : boundaries_[first_ + characters - 1]);
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
        boundaries_.push_back(static_cast<Position>(from + end));
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
    const std::size_t kept = first_ + characters - count;
    text_.erase(boundaries_[kept]);
    boundaries_.resize(kept + 1);
}

void PassiveTriggerBuffer::compact()
{
    const std::size_t cut = boundaries_[first_];
    text_.erase(0, cut);
    boundaries_.erase(boundaries_.begin(), boundaries_.begin() + static_cast<std::ptrdiff_t>(first_));
    for (Position& boundary : boundaries_) {
        boundary -= static_cast<Position>(cut);
    }
    first_ = 0;
}

std::u16string_view PassiveTriggerBuffer::lastCharacters(std::size_t count) const
{
    const std::size_t characters = characterCount();
    const std::size_t start = boundaries_[first_ + (count >= characters ? 0 : characters - count)];
    return std::u16string_view(text_).substr(start);
}

std::u16string_view PassiveTriggerBuffer::character(std::size_t index) const
{
    if (index >= characterCount()) {
        return {};
    }
    const std::size_t at = first_ + index;
    return std::u16string_view(text_).substr(boundaries_[at], boundaries_[at + 1] - boundaries_[at]);
}

}  // namespace qm
