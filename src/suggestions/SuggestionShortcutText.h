#pragma once

#include <string>

namespace qm {

class UserDefaults;

// The modifier symbols beside each chip's number, as the user set the
// pick-a-suggestion shortcut: "⌃", "⌥", "⇧", "⌘" in that order. Control is
// on unless it holds a false Boolean, the others only when they hold a true
// one; with none at all the text is "⌃", as the event tap falls back to
// Control alone.
class SuggestionShortcutText {
public:
    SuggestionShortcutText() = delete;

    static std::string modifierText(const UserDefaults& defaults);
};

}  // namespace qm
