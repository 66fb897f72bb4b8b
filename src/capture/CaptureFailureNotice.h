#pragma once

#include <optional>
#include <string>

#include "platform/notifications/UserInfo.h"
#include "records/CaptureFailureGuide.h"

namespace qm {

class NotificationCenter;

// What a "PresentCaptureFailure" notification tells the shell's failure alert:
// the command word ("capture" for the keyboard listener itself), the sentence
// shown to the user, whether the text reached the recovery log, and where the
// alert's button leads. The one place its userInfo is built.
struct CaptureFailureNotice {
    std::string command;
    std::string detail;
    bool saved = false;
    // The full sentence of a failed send ("Capture failed: ..."); the alert does not read it.
    std::optional<std::string> message;
    // The settings page, card and button title; none for a notice that no setting fixes.
    std::optional<CaptureFailureGuide> guide;
    // An explanation rather than a failure of the user's capture.
    bool informational = false;

    // A notice whose guide is resolved from the command word and `guideDetail`
    // (by default the detail itself).
    static CaptureFailureNotice guided(std::string command, std::string detail, bool saved,
                                       std::optional<std::string> guideDetail = std::nullopt);

    // The notice of a line whose send failed with `detail`: "message" is
    // "Capture failed: " and the detail, then "\nSaved to local recovery log."
    // when `saved`. A text that was not blank and did not reach the recovery
    // log is not there to be shown, so the alert then does not lead to it.
    static CaptureFailureNotice failedSend(std::string command, std::string detail, bool saved,
                                           bool textWasBlank);

    // "command", "detail", "saved", then "message", "section", "field" (only
    // when the guide names one), "actionTitle" and "informational" where present.
    UserInfo userInfo() const;

    // Posts "PresentCaptureFailure" with no object. Call it on the main thread.
    void post(NotificationCenter& center) const;

    bool operator==(const CaptureFailureNotice&) const = default;
};

}  // namespace qm
