#include "capture/CaptureFailureNotice.h"

#include "capture/CaptureNotifications.h"
#include "platform/notifications/NotificationCenter.h"

namespace qm {

CaptureFailureNotice CaptureFailureNotice::guided(std::string command, std::string detail, bool saved,
                                                  std::optional<std::string> guideDetail)
{
    CaptureFailureNotice notice;
    notice.guide = CaptureFailureGuide::resolve(command, guideDetail ? *guideDetail : detail);
    notice.command = std::move(command);
    notice.detail = std::move(detail);
    notice.saved = saved;
    return notice;
}

CaptureFailureNotice CaptureFailureNotice::failedSend(std::string command, std::string detail, bool saved,
                                                      bool textWasBlank)
{
    CaptureFailureNotice notice = guided(std::move(command), std::move(detail), saved);
    notice.message = "Capture failed: " + notice.detail + (saved ? "\nSaved to local recovery log." : "");
    if (!saved && !textWasBlank && notice.guide == CaptureFailureGuide::recoveryLog()) {
        notice.guide.reset();
    }
    return notice;
}

UserInfo CaptureFailureNotice::userInfo() const
{
    UserInfo userInfo{{"command", command}, {"detail", detail}, {"saved", saved}};
    if (message) {
        userInfo.set("message", *message);
    }
    if (guide) {
        userInfo.set("section", guide->section);
        if (guide->field) {
            userInfo.set("field", *guide->field);
        }
        userInfo.set("actionTitle", guide->actionTitle);
    }
    if (informational) {
        userInfo.set("informational", true);
    }
    return userInfo;
}

void CaptureFailureNotice::post(NotificationCenter& center) const
{
    center.post(CaptureNotifications::presentCaptureFailure, nullptr, userInfo());
}

}  // namespace qm
