#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/keyboard/KeyEventFlags.h"
#include "platform/keyboard/KeyEventSourceState.h"
#include "platform/keyboard/KeyEventType.h"

namespace qm {

// One event of the keyboard stream: the virtual key code (KeyCode), the flags
// (KeyEventFlags) and the text the key typed, in UTF-16 as the platform keeps
// it. A small value that copies without allocating, so the tap's key path
// stays cheap.
class KeyEvent {
public:
    // The most text one event carries, in UTF-16 code units; longer text is cut.
    static constexpr std::size_t maxTextLength = 20;

    // The source user data that marks an event this process posted.
    static constexpr std::int64_t ourSourceUserData = 0x514D4B45;  // "QMKE"

    KeyEvent() = default;

    // A key-down or key-up of `keyCode` with no flags and no text, as the
    // platform creates a synthetic keyboard event.
    static KeyEvent keyboardEvent(KeyEventSourceState source, std::uint16_t keyCode, bool keyDown);

    // What a tap's callback receives when the system switched the tap off.
    static KeyEvent tapDisabled(KeyEventType type);

    KeyEventType type() const { return type_; }
    void setType(KeyEventType type) { type_ = type; }

    std::uint16_t keyCode() const { return keyCode_; }
    void setKeyCode(std::uint16_t keyCode) { keyCode_ = keyCode; }

    EventFlags flags() const { return flags_; }
    void setFlags(EventFlags flags) { flags_ = flags; }
    // Only the four modifier bits: Caps Lock and the device bits never count.
    EventFlags modifierFlags() const { return flags_ & KeyEventFlags::modifiers; }

    // Keeps the first maxTextLength units, never the first half of a surrogate
    // pair without its second.
    void setUnicodeString(std::u16string_view text);
    std::u16string_view unicodeString() const { return {text_.data(), textLength_}; }
    // The same text as UTF-8.
    std::string text() const;

    // `text` in chunks that each fit one event, in order: cut between
    // user-perceived characters, and inside one only when it alone is longer
    // than an event (then between code points). Text posted in one event is cut
    // at maxTextLength; posting these chunks loses nothing.
    static std::vector<std::u16string> unicodeStringChunks(std::u16string_view text);

    std::int64_t sourceUserData() const { return sourceUserData_; }
    void setSourceUserData(std::int64_t data) { sourceUserData_ = data; }
    // True when this process posted the event (SyntheticEventPoster tags it).
    bool isOurs() const { return sourceUserData_ == ourSourceUserData; }

    // The process that posted the event; 0 for the hardware.
    std::int32_t sourcePid() const { return sourcePid_; }
    void setSourcePid(std::int32_t pid) { sourcePid_ = pid; }

    KeyEventSourceState sourceState() const { return sourceState_; }
    void setSourceState(KeyEventSourceState state) { sourceState_ = state; }

    friend bool operator==(const KeyEvent& a, const KeyEvent& b)
    {
        return a.type_ == b.type_ && a.keyCode_ == b.keyCode_ && a.flags_ == b.flags_ &&
               a.unicodeString() == b.unicodeString() && a.sourceUserData_ == b.sourceUserData_ &&
               a.sourcePid_ == b.sourcePid_ && a.sourceState_ == b.sourceState_;
    }

private:
    KeyEventType type_ = KeyEventType::keyDown;
    std::uint16_t keyCode_ = 0;
    std::uint8_t textLength_ = 0;
    EventFlags flags_ = 0;
    std::array<char16_t, maxTextLength> text_{};
    std::int64_t sourceUserData_ = 0;
    std::int32_t sourcePid_ = 0;
    KeyEventSourceState sourceState_ = KeyEventSourceState::hidSystemState;
};

}  // namespace qm
