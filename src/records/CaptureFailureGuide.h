#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Where the alert of a failed capture sends the user: a settings page, the card
// on it to highlight, and the title of the alert's button.
struct CaptureFailureGuide {
    // The raw name of a settings page ("Capture Targets", "Privacy & Permissions", "Error Logs").
    std::string section;
    std::optional<std::string> field;
    std::string actionTitle;

    // `command` is the word typed after the two slashes, compared exactly;
    // `detail` is the failure text shown to the user. Failures that no setting
    // fixes lead to the recovery log. Pure; any thread.
    static CaptureFailureGuide resolve(std::string_view command, std::string_view detail);

    // Where failures that no setting fixes lead: the recovery log on the Error Logs page.
    static const CaptureFailureGuide& recoveryLog();

    bool operator==(const CaptureFailureGuide&) const = default;
};

}  // namespace qm
