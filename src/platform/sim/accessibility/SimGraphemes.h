#pragma once

#include <cstddef>
#include <string_view>

namespace qm {

// User-perceived characters (extended grapheme clusters) of UTF-16 text, the
// unit in which the stand-in's fields delete, move the caret and lay out text.
class SimGraphemes {
public:
    // The start of the character that ends at or contains `offset`; 0 at the start.
    static std::size_t previousBoundary(std::u16string_view text, std::size_t offset);
    // The end of the character that starts at or contains `offset`; the length at the end.
    static std::size_t nextBoundary(std::u16string_view text, std::size_t offset);
    // How many characters begin in [from, to).
    static std::size_t count(std::u16string_view text, std::size_t from, std::size_t to);
};

}  // namespace qm
