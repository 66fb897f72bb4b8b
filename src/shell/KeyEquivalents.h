#pragma once

#include <optional>
#include <string_view>

#include "platform/keyboard/KeyEventFlags.h"
#include "platform/keyboard/KeyEventType.h"
#include "shell/EditingAction.h"

namespace qm {

// Which editing action a key equivalent stands for, so that this program's
// windows edit text with the usual keys without any menu item.
class KeyEquivalents {
public:
    // The settings and onboarding windows: with Command, "c" copy, "v"
    // paste, "x" cut, "a" select all, "z" undo (redo with Shift); without
    // Command but with Control, "v" pastes. Only key-downs map; the
    // characters are compared lower-cased. Nothing: the key goes on to the
    // window's own handling.
    static std::optional<EditingAction> forHostingView(KeyEventType type, EventFlags flags,
                                                       std::u16string_view charactersIgnoringModifiers);

    // The capture overlay's text field: the Command keys only.
    static std::optional<EditingAction> forCaptureTextView(KeyEventType type, EventFlags flags,
                                                           std::u16string_view charactersIgnoringModifiers);
};

}  // namespace qm
