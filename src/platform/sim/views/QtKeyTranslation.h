#pragma once

#include <cstdint>
#include <optional>

#include "platform/keyboard/KeyEvent.h"

class QKeyEvent;

namespace qm {

// A key that Qt delivered to a window of the stand-in desktop, as the
// platform's keyboard would have sent it: the virtual key code of the key at
// its US position, the flags (QtKeyModifiers: Ctrl is Command, Super is
// Control), and the text the platform gives: the character (the plain one
// under Command), a control character under Control, "\r" for Return, "\t"
// for Tab (U+0019 with Shift), U+007F for Backspace, U+001B for Esc and the
// function-key characters for the arrows and the editing keys (which also
// carry the numeric-pad and Fn flags). A character no US key types goes as
// key 0 carrying it, as the stand-in keyboard sends it. Modifier keys become
// flags-changed events.
class QtKeyTranslation {
public:
    // Nothing for events that are neither key presses nor releases.
    static std::optional<KeyEvent> keyEvent(const QKeyEvent& event);

    // The virtual key code of a Qt key; nothing for keys the platform has no
    // code for here (letters and punctuation are found through the layout).
    static std::optional<std::uint16_t> keyCode(int qtKey);
};

}  // namespace qm
