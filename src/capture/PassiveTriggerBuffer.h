#pragma once

#include <cstddef>
#include <cstdint>
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
// character, and ASCII typed after ASCII needs no segmentation at all. A cut
// at the start moves where the kept text begins; the characters cut are let
// go of in one piece now and then, so that a full buffer takes a key without
// moving all it keeps.
class PassiveTriggerBuffer {
public:
    PassiveTriggerBuffer() = default;
    explicit PassiveTriggerBuffer(std::u16string_view text) { append(text); }

    std::u16string_view text() const { return std::u16string_view(text_).substr(boundaries_[first_]); }
    std::string utf8() const;
    bool empty() const { return characterCount() == 0; }
    void clear();

    // Where each character starts in text(), plus its end.
    std::vector<std::size_t> characterBoundaries() const;
    // Where the character at `index` starts in text(); index characterCount() gives its end.
    std::size_t characterStart(std::size_t index) const
    {
        return boundaries_[first_ + index] - boundaries_[first_];
    }
    std::size_t characterCount() const { return boundaries_.size() - 1 - first_; }

    void append(std::u16string_view text);
    // Appends a printable ASCII character typed after ASCII (or into an empty
    // buffer), which is always a character of its own, then keeps only the
    // last `limit` characters; what almost every key does, always inlined
    // into the key path's own code. False, with nothing changed, for any
    // other case.
    [[gnu::always_inline]] bool appendPrintableAscii(char16_t unit, std::size_t limit)
    {
        const std::size_t start = boundaries_[first_];
        if (unit < 0x20 || unit > 0x7E || (text_.size() > start && text_.back() >= 0x80)) {
            return false;
        }
        text_.push_back(unit);
        boundaries_.push_back(static_cast<Position>(text_.size()));
        if (characterCount() > limit) {
            keepLastCharacters(limit);
        }
        return true;
    }
    // Removes the last character; nothing happens on an empty buffer.
    void removeLastCharacter();
    // Removes the last `count` characters (all of them when there are fewer).
    void removeLastCharacters(std::size_t count);
    // Keeps only the last `count` characters.
    [[gnu::always_inline]] void keepLastCharacters(std::size_t count)
    {
        const std::size_t characters = characterCount();
        if (characters <= count) {
            return;
        }
        first_ += characters - count;
        if (first_ >= compactAfter) [[unlikely]] {
            compact();
        }
    }

    // The last `count` characters (all of them when there are fewer).
    std::u16string_view lastCharacters(std::size_t count) const;
    // The character at `index` (0-based); empty past the end.
    std::u16string_view character(std::size_t index) const;

    // The boundaries follow from the text.
    friend bool operator==(const PassiveTriggerBuffer& a, const PassiveTriggerBuffer& b)
    {
        return a.text() == b.text();
    }

private:
    // Segments text_ from `from` (a character start, or the end) to its end,
    // replacing the boundaries after `from`.
    void segmentFrom(std::size_t from);
    // Characters cut from the start are let go of once this many have gathered.
    static constexpr std::size_t compactAfter = 128;
    // Lets go of the characters cut from the start.
    void compact();

    // A place in text_. Four bytes are plenty: the buffer keeps a few hundred characters.
    using Position = std::uint32_t;

    // The kept text starts at boundaries_[first_]; what comes before it was cut.
    std::u16string text_;
    // From first_ on, the segmentation of the kept text on its own: where it
    // starts, each later start, the end (positions in text_).
    std::vector<Position> boundaries_{0};
    std::size_t first_ = 0;
};

}  // namespace qm
