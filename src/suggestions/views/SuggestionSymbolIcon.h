#pragma once

#include <string_view>

#include <QColor>
#include <QPixmap>

namespace qm {

// The symbols of the suggestion panel (the chips' category symbols, the
// toolbar's orientation and reset arrows, the AI card's quick actions), drawn
// by us; every other name is the shell's SymbolIcon.
class SuggestionSymbolIcon {
public:
    // `size` is the icon's side in device-independent pixels.
    static QPixmap pixmap(std::string_view name, const QColor& color, int size, qreal devicePixelRatio = 1.0);

    // Whether this class or the shell's SymbolIcon has a drawing for `name`.
    static bool isKnown(std::string_view name);
};

}  // namespace qm
