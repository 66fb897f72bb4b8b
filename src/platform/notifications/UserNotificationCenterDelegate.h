#pragma once

#include <functional>

#include "platform/notifications/UserNotification.h"
#include "platform/notifications/UserNotificationResponse.h"

namespace qm {

// Decides how notifications appear while the program is frontmost and handles
// the user's responses. The centre may call it on any thread; each completion
// must be called exactly once.
class UserNotificationCenterDelegate {
public:
    enum PresentationOption : unsigned {
        badge = 1u << 0,
        sound = 1u << 1,
        list = 1u << 3,
        banner = 1u << 4,
    };
    using PresentationOptions = unsigned;

    virtual ~UserNotificationCenterDelegate() = default;

    // A notification arrived while the program is frontmost; the completion
    // says how to show it (0: not at all).
    virtual void willPresent(const UserNotification& notification,
                             std::function<void(PresentationOptions)> completion) = 0;

    // The user acted on a delivered notification.
    virtual void didReceive(const UserNotificationResponse& response, std::function<void()> completion) = 0;
};

}  // namespace qm
