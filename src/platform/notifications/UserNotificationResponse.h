#pragma once

#include <string>
#include <string_view>

#include "platform/notifications/UserNotification.h"

namespace qm {

// The user's answer to a delivered notification: one of its category's
// actions, a click on the notification itself, or a dismissal.
struct UserNotificationResponse {
    // The user clicked the notification's body.
    static constexpr std::string_view defaultActionIdentifier =
        "com.apple.UNNotificationDefaultActionIdentifier";
    // The user dismissed it (heard only for categories with customDismissAction).
    static constexpr std::string_view dismissActionIdentifier =
        "com.apple.UNNotificationDismissActionIdentifier";

    UserNotification notification;
    std::string actionIdentifier;
};

}  // namespace qm
