#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/CaptureTargetRegistry.h"
#include "capture/PassiveOutcome.h"
#include "capture/PassiveTriggerBuffer.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/keyboard/KeyEventFlags.h"

namespace qm {

// The passive side of the capture router as a pure step: one key in, the
// buffer edited and the outcome out. No locks, no Accessibility, no file
// system, no posting: the passive trigger watch runs it under its lock on the
// event-tap thread and the router acts on the outcome (the folder pre-check of
// a trigger included, once the lock is released).
class PassiveTriggerDetector {
public:
    // At most this many UTF-16 units of a key's text are read.
    static constexpr std::size_t maxKeyTextLength = 16;

    // Knows the registry's targets as they are now.
    PassiveTriggerDetector(const CaptureTargetRegistry& registry, std::size_t bufferLimit);

    // Classifies a key-down (Command or Control held, Delete, a text key, or a
    // Space or Return terminator) and edits `buffer` accordingly.
    PassiveOutcome handleKey(PassiveTriggerBuffer& buffer, std::uint16_t keyCode, EventFlags flags,
                             std::u16string_view eventText) const
    {
        if (appendPlainCharacter(buffer, keyCode, flags, eventText)) [[likely]] {
            return {};
        }
        return handleOtherKey(buffer, keyCode, flags, eventText);
    }

    // What handleKey does for a printable ASCII character typed after ASCII:
    // it only joins the buffer, as it can neither complete a trigger nor clear
    // it. False, with the buffer unchanged, for any other key.
    bool appendPlainCharacter(PassiveTriggerBuffer& buffer, std::uint16_t keyCode, EventFlags flags,
                              std::u16string_view eventText) const
    {
        return (flags & (KeyEventFlags::command | KeyEventFlags::control)) == 0 && eventText.size() == 1 &&
               keyCode != KeyCode::space && keyCode != KeyCode::returnKey && keyCode != KeyCode::deleteKey &&
               buffer.appendPrintableAscii(eventText[0], bufferLimit_);
    }

    // What handleKey does for every key appendPlainCharacter turned down
    // (it classifies a plain character too, only more slowly).
    PassiveOutcome handleOtherKey(PassiveTriggerBuffer& buffer, std::uint16_t keyCode, EventFlags flags,
                                  std::u16string_view eventText) const;

    // The text a key adds to the buffer: the event's own text, else the US
    // letter, digit or punctuation of its key code; empty for other keys.
    static std::u16string keyText(std::uint16_t keyCode, EventFlags flags, std::u16string_view eventText);

private:
    PassiveOutcome handleTerminator(PassiveTriggerBuffer& buffer, char16_t terminator) const;
    // The index of the trigger word `typed` ends with, letter case aside
    // (root locale); nothing when it ends with none.
    std::optional<std::size_t> matchingTriggerWord(std::u16string_view typed) const;
    // `typed` lower-cased (root locale), or as much of its end as the longest
    // trigger word can match.
    std::u16string lowercasedEnd(std::u16string_view typed) const;

    // One per target, in the registry's order; together, so the key that
    // completes a trigger finds all it needs of the target in one place.
    struct Trigger {
        std::u16string word;  // "//" and the command word
        std::string commandName;
        std::shared_ptr<CaptureTarget> target;
    };
    std::vector<Trigger> triggers_;
    std::size_t longestTriggerWord_ = 0;
    bool triggerWordsAreAscii_ = true;
    const std::size_t bufferLimit_;
};

}  // namespace qm
