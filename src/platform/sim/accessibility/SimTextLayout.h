#pragma once

#include <cstddef>
#include <string_view>

#include "platform/display/Rect.h"

namespace qm {

// The stand-in fields' text layout: every user-perceived character is `advance`
// points wide, lines (split at "\n" only; nothing wraps) are `lineHeight`
// high, and the text starts `insetX`, `insetY` in from the field's top-left
// corner. Simple, but bounds move right with later characters and down with
// later lines as a real layout's do. Offsets are UTF-16 code units.
class SimTextLayout {
public:
    static constexpr double advance = 8.0;
    static constexpr double lineHeight = 18.0;
    static constexpr double insetX = 4.0;
    static constexpr double insetY = 2.0;

    struct Position {
        std::size_t line = 0;
        std::size_t column = 0;  // characters before the offset on its line
    };

    static Position positionOf(std::u16string_view text, std::size_t offset);

    // The offset of `column` on `line`, clamped to the line's end (before its "\n").
    static std::size_t offsetAt(std::u16string_view text, std::size_t line, std::size_t column);

    // The smallest rectangle around the characters of [start, end), in the
    // coordinates of `frame` (Accessibility's). An empty range gives the caret:
    // zero wide, one line high.
    static Rect boundsForRange(std::u16string_view text, const Rect& frame, std::size_t start,
                               std::size_t end);
};

}  // namespace qm
