#pragma once

#include <string_view>
#include <vector>

#include "platform/keyboard/KeyEvent.h"

namespace qm {

class SimEventStream;

// The stand-in's keyboard, with a US layout. It turns text and named keys
// into the key events a real keyboard sends and sends them through the event
// taps to the frontmost application, synchronously on the calling thread:
// that thread is where the tap callbacks run.
//
// type("Hi!"): per user-perceived character, a key-down and a key-up of its
// key, with the Shift flag (and Shift's flags-changed events around them) for
// shifted characters; "\n" is Return and "\t" is Tab. A character the layout
// has no key for (an accent, an emoji) is sent as virtual key 0 carrying the
// character as its text.
//
// press("cmd+shift+a"): modifiers (cmd/command, ctrl/control, opt/option/alt,
// shift) joined by "+" before one key: a character on the layout, or Return
// (Enter), Tab, Space, Delete (Backspace), Esc (Escape), Left, Right, Up,
// Down. Names ignore case. The key's text is what the platform gives: the
// character (shifted with Shift; Option adds nothing), a control character
// with Control (ctrl+a is U+0001), "\r" for Return, "\t" for Tab (U+0019 with
// Shift), U+007F for Delete, U+001B for Esc, U+F700 to U+F703 for the arrows
// (which also carry the numeric-pad and Fn flags). Anything else throws
// std::invalid_argument.
class KeyboardDriver {
public:
    explicit KeyboardDriver(SimEventStream& stream);

    void type(std::string_view utf8);
    void press(std::string_view chord);
    // One event, as the keyboard would send it.
    void send(const KeyEvent& event);

    // The events type() and press() send, in order.
    static std::vector<KeyEvent> eventsForText(std::string_view utf8);
    static std::vector<KeyEvent> eventsForChord(std::string_view chord);

private:
    SimEventStream& stream_;
};

}  // namespace qm
