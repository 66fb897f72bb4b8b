#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include <unicode/utext.h>
#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class BreakIterator;
U_NAMESPACE_END

namespace qm::text {

// The boundaries between the user-perceived characters (extended grapheme
// clusters, root locale) of UTF-16 text: where a Delete key stops, where the
// caret moves, what the system counts as one character. Offsets are UTF-16
// code units; 0 and the text's length are always boundaries. Without ICU's
// break rules every code point counts as one character.
//
// The object borrows the text, which must outlive it. It is cheap to make: each
// thread keeps one ICU iterator and lends it to the object alive on it (a second
// object alive at the same time on the same thread makes its own). Use it on
// the thread that made it.
//
//     text::CharacterBreaks breaks(utf16);
//     for (std::size_t end = breaks.following(0); ...; end = breaks.following(end)) { ... }
class CharacterBreaks {
public:
    explicit CharacterBreaks(std::u16string_view text);
    ~CharacterBreaks();
    CharacterBreaks(const CharacterBreaks&) = delete;
    CharacterBreaks& operator=(const CharacterBreaks&) = delete;

    std::u16string_view text() const { return text_; }

    // The first boundary after `offset`: the end of the character that starts
    // at or contains it; the text's length at or past the end.
    std::size_t following(std::size_t offset);
    // The last boundary before `offset`: the start of the character that ends
    // at or contains it; 0 at the start.
    std::size_t preceding(std::size_t offset);
    // Whether a character starts or ends at `offset`; false past the end.
    bool isBoundary(std::size_t offset);
    // How many characters begin in [from, to).
    std::size_t count(std::size_t from, std::size_t to);

private:
    std::u16string_view text_;
    UText utext_ = UTEXT_INITIALIZER;
    std::unique_ptr<icu::BreakIterator> iterator_;  // null without ICU's rules
};

}  // namespace qm::text
