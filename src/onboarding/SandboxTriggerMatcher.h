#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "capture/CaptureTargetRegistry.h"
#include "capture/PassiveTriggerDetector.h"

namespace qm {

// Finds the practice editor's trigger: "//", a command word of the sandbox's
// table and one space or one line break, at the very end of the text. The
// words are those of real capture (the same detector reads them), but the
// practice is stricter and simpler than the key path: the word must be typed
// exactly as listed (//Note is no trigger), and anything may stand before the
// slashes (x//note and ///note both count). Lengths count user-perceived
// characters. The sandbox's commands are never sent anywhere.
class SandboxTriggerMatcher {
public:
    struct Match {
        std::string command;
        // How many characters to cut from the end of the text: the slashes,
        // the word and the terminator.
        std::size_t stripLength = 0;

        friend bool operator==(const Match&, const Match&) = default;
    };

    SandboxTriggerMatcher();
    SandboxTriggerMatcher(const SandboxTriggerMatcher&) = delete;
    SandboxTriggerMatcher& operator=(const SandboxTriggerMatcher&) = delete;

    // The trigger `text` ends with, terminator included; nothing otherwise.
    std::optional<Match> match(std::string_view text) const;

    // "//" and a command word with no terminator after it (what Return in the
    // editor completes); the strip length counts no terminator.
    std::optional<Match> matchBare(std::string_view text) const;

private:
    CaptureTargetRegistry registry_;
    PassiveTriggerDetector detector_;
};

}  // namespace qm
