#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The last characters typed in the focused field, as the trigger detector
// sees them. Kept in UTF-16 (what key events carry); lengths and cuts count
// user-perceived characters (extended grapheme clusters), so a Delete removes
// a whole emoji and the 100-character limit never splits one. Lone surrogates
// are stored as U+FFFD. Not thread-safe: the router guards it with its lock.
//
// The buffer is edited on every key the event tap sees, so it keeps its
// character boundaries as it changes instead of segmenting all of its text
// again: an edit at the end re-segments only from the start of the last
// character, and ASCII typed after ASCII needs no segmentation at all.
class PassiveTriggerBuffer {
public:
    PassiveTriggerBuffer() = default;
    explicit PassiveTriggerBuffer(std::u16string_view text) { append(text); }

    const std::u16string& text() const { return text_; }
    std::string utf8() const;
    bool empty() const { return text_.empty(); }
    void clear();

    // Where each character starts, plus the end: size() - 1 characters.
    const std::vector<std::size_t>& characterBoundaries() const { return boundaries_; }
    std::size_t characterCount() const { return boundaries_.size() - 1; }

    void append(std::u16string_view text);
    // Removes the last character; nothing happens on an empty buffer.
    void removeLastCharacter();
    // Removes the last `count` characters (all of them when there are fewer).
    void removeLastCharacters(std::size_t count);
    // Keeps only the last `count` characters.
    void keepLastCharacters(std::size_t count);

    // The last `count` characters (all of them when there are fewer).
    std::u16string_view lastCharacters(std::size_t count) const;
    // The character at `index` (0-based); empty past the end.
    std::u16string_view character(std::size_t index) const;

    friend bool operator==(const PassiveTriggerBuffer&, const PassiveTriggerBuffer&) = default;

private:
    // Segments text_ from `from` (a character start, or the end) to its end,
    // replacing the boundaries after `from`.
    void segmentFrom(std::size_t from);

    std::u16string text_;
    // Always the segmentation of text_ as a whole: 0, each later start, the end.
    std::vector<std::size_t> boundaries_{0};
};

}  // namespace qm
