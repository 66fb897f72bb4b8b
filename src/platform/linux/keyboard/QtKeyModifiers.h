#pragma once

#include <string>

#include <Qt>

#include "platform/keyboard/KeyEventFlags.h"

class QKeyEvent;

namespace qm {

// Qt's modifiers as the platform's flags. Qt's primary shortcut modifier
// (Ctrl here; Qt::ControlModifier) is the platform's Command, as Qt itself
// maps them on the platform the system was designed for, and Meta (the Super
// key) is Control. So Ctrl+C copies, and the event tap's Control shortcuts
// are typed with Super.
class QtKeyModifiers {
public:
    static EventFlags flags(Qt::KeyboardModifiers modifiers);

    // The key's character with Shift applied but no other modifier ("Z" for
    // Ctrl+Shift+Z), as the platform's characters-ignoring-modifiers; empty
    // for keys that type no character.
    static std::u16string charactersIgnoringModifiers(const QKeyEvent& event);
};

}  // namespace qm
