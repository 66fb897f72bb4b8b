#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/display/Rect.h"
#include "platform/display/Size.h"

namespace qm {

// What the HUD shows: a message and the symbol drawn beside it, with the
// panel's size and place that follow from it.
struct HUDView {
    // Panel size: 7.4 points per character plus 56, kept within [240, 460];
    // 64 high from 47 characters on (two lines), else 50.
    static constexpr double widthPerCharacter = 7.4;
    static constexpr double widthExtra = 56;
    static constexpr double minimumWidth = 240;
    static constexpr double maximumWidth = 460;
    static constexpr double singleLineHeight = 50;
    static constexpr double twoLineHeight = 64;
    static constexpr std::size_t twoLineCharacters = 47;
    // Above the dock: this far over the bottom of the visible frame.
    static constexpr double bottomOffset = 80;

    std::string message;
    // A symbol name given by the caller; it always wins over the table.
    std::optional<std::string> customSystemImage;

    // The symbol drawn: the given one, else the first row of the table whose
    // text occurs in the lower-cased message ("copied" and "clipboard": the
    // document; "obsidian", "logseq", "reminder", "slack", "off"), else the
    // speaker with waves. Plain substring tests ("off" matches "coffee").
    std::string resolvedImageName() const;

    // The panel's size for `message`, counting user-perceived characters.
    static Size panelSize(std::string_view message);

    // The panel's origin: centred on the visible frame, bottomOffset above its bottom.
    static Point panelOrigin(const Rect& visibleFrame, const Size& size);
};

}  // namespace qm
