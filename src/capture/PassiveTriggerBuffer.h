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
class PassiveTriggerBuffer {
public:
    PassiveTriggerBuffer() = default;
    explicit PassiveTriggerBuffer(std::u16string_view text) { append(text); }

    const std::u16string& text() const { return text_; }
    std::string utf8() const;
    bool empty() const { return text_.empty(); }
    void clear() { text_.clear(); }

    // Where each character starts, plus the end: size() - 1 characters.
    std::vector<std::size_t> characterBoundaries() const;
    std::size_t characterCount() const;

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
    std::u16string text_;
};

}  // namespace qm
