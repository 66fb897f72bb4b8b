#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The fixed texts of each command word: the banner above the overlay's
// message field and the example placeholder of the empty field. Command
// words are compared exactly, letter case included.
class CaptureTargetHints {
public:
    struct Banner {
        std::string title;
        std::string subtitle;

        friend bool operator==(const Banner&, const Banner&) = default;
    };

    // Nothing for a word without a banner.
    static std::optional<Banner> banner(std::string_view commandName);

    // `isSlackFiltering`: the Slack target's picker choice is not confirmed
    // yet, so the field filters the picker. Any other word: the generic text.
    static std::string placeholder(std::string_view commandName, bool isSlackFiltering);
};

}  // namespace qm
