#pragma once

#include <optional>
#include <string>

#include "platform/notifications/UserInfo.h"
#include "platform/workspace/Alert.h"

namespace qm {

// What a "PresentCaptureFailure" notification asks of the shell's alert, read
// with the defaults of a bare request: every key is optional, and a value of
// the wrong type counts as missing ("message" and other keys are ignored).
struct CaptureFailureRequest {
    static constexpr const char* defaultCommand = "capture";
    static constexpr const char* defaultDetail = "The capture did not complete.";
    static constexpr const char* defaultSection = "Error Logs";
    static constexpr const char* defaultActionTitle = "Open Settings";
    static constexpr const char* notificationsField = "notifications";

    std::string command = defaultCommand;
    std::string detail = defaultDetail;
    bool saved = false;
    bool informational = false;
    // The settings page to open, by its raw name.
    std::string section = defaultSection;
    // The card on that page to highlight.
    std::optional<std::string> field;
    std::string actionTitle = defaultActionTitle;

    static CaptureFailureRequest from(const UserInfo& userInfo);

    // Warning style. A notice: "Quillmarker paused" with one "OK". A failure:
    // "//<command> didn't save", the action title, then "Not now". The detail
    // is followed by the recovery-log sentence when the text was saved.
    Alert alert() const;

    bool operator==(const CaptureFailureRequest&) const = default;
};

}  // namespace qm
