#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/workspace/Color.h"
#include "suggestions/LiveChipCategory.h"
#include "suggestions/SuggestionModel.h"

namespace qm {

class UserDefaults;

// One suggestion as a chip of the panel: its category and every colour,
// symbol, text and scale the chip is drawn with, for its position, the
// modifier text of the shortcut and its active (keyboard-selected) and
// hovered states. A value; everything is computed on each call.
class SuggestionChip {
public:
    struct Gradient {
        Color top;
        Color bottom;

        friend bool operator==(const Gradient&, const Gradient&) = default;
    };

    SuggestionChip(bool showShortcutHints, int index, SuggestionModel model, std::string shortcutText,
                   bool isActive, bool isHovered = false);

    // "showShortcutHints" when it holds a Boolean, else `fallback`.
    static bool showShortcutHints(const UserDefaults& defaults, bool fallback = true);

    LiveChipCategory category() const;
    std::string_view iconName() const;
    // The title's and the symbol's colour: white while active.
    Color headerColor() const;
    Gradient activeGradient() const;
    Color inactiveBorderColor() const;
    // Clear while not active.
    Color shadowColor() const;

    // The key hint: the modifier text and the position from 1 ("⌃⌥3");
    // nothing while hints are off.
    std::optional<std::string> badgeText() const;
    // The swatch drawn instead of the symbol: a colour swatch whose hex text
    // is a colour.
    std::optional<Color> swatchColor() const;
    // The background of an inactive chip (white, brighter while hovered).
    Color inactiveFill() const;
    // The outline: clear while active.
    Color borderColor() const;
    // The detail line's colour (the title and the symbol take headerColor()).
    Color bodyColor() const;
    // 1.03 active, 1.015 hovered, else 1.
    double scale() const;

    int index() const { return index_; }
    const SuggestionModel& model() const { return model_; }
    bool isActive() const { return isActive_; }
    bool isHovered() const { return isHovered_; }

private:
    struct Palette;
    Palette palette() const;

    bool showShortcutHints_;
    int index_;
    SuggestionModel model_;
    std::string shortcutText_;
    bool isActive_;
    bool isHovered_;
};

}  // namespace qm
