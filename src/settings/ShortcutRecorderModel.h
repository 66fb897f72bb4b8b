#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/keyboard/KeyEventFlags.h"

namespace qm {

class KeyEvent;
class NotificationCenter;
class UserDefaults;

// The Shortcuts page's recorder of the trigger modifier set (Control, Option,
// Shift, Command; matched with a digit 1–4). While recording, every key event
// delivered to the program lights the held modifiers; an accepted set is
// saved at once and announced with "ShortcutPreferenceChanged", four sets
// macOS already uses are refused with a message. A key press ends the
// recording and is consumed; a refused last set is rolled back. Main thread only.
class ShortcutRecorderModel {
public:
    static constexpr const char* hasSelectedShortcutKey = "hasSelectedShortcut";

    struct Modifiers {
        bool control = true;
        bool option = false;
        bool shift = false;
        bool command = false;
        bool operator==(const Modifiers&) const = default;
    };

    ShortcutRecorderModel(UserDefaults& defaults, NotificationCenter& notificationCenter);

    // The stored set: "shortcutHasControl" is true unless it holds a false
    // Boolean; the other three only when they hold a true Boolean.
    static Modifiers storedModifiers(const UserDefaults& defaults);
    // The message for a refused set, or nothing when it is accepted. An empty set is neither.
    static std::optional<std::string> refusal(const Modifiers& held);

    bool isRecording() const { return recording_; }
    const Modifiers& modifiers() const { return modifiers_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    std::string hintText() const;
    std::string recordButtonTitle() const { return recording_ ? "Press Modifiers..." : "Record Shortcut"; }

    // The record button: toggles recording; starting clears the message.
    void toggleRecording();

    // Every key-down and flags-changed event the program receives. True when
    // the event is consumed (a key-down that ended a recording).
    bool handleEvent(const KeyEvent& event);

    std::function<void()> onChange;

private:
    void save(const Modifiers& held);
    void changed();

    UserDefaults& defaults_;
    NotificationCenter& notificationCenter_;
    bool recording_ = false;
    Modifiers modifiers_;
    std::optional<std::string> errorMessage_;
};

}  // namespace qm
