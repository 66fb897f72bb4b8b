#pragma once

#include <cstdint>
#include <optional>

namespace qm {

// The US keyboard layout: which key (and whether Shift) types a printable
// ASCII character, and what a key types.
class UsKeyboardLayout {
public:
    struct Key {
        std::uint16_t keyCode = 0;
        bool shift = false;
    };

    // Nothing for characters the layout has no key for (accents, emoji, controls).
    static std::optional<Key> keyFor(char16_t character);

    // What the key types, with or without Shift; nothing for keys that type no
    // character of their own (Return, arrows, modifiers ...).
    static std::optional<char16_t> characterFor(std::uint16_t keyCode, bool shift);
};

}  // namespace qm
