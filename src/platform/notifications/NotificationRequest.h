#pragma once

#include <optional>
#include <string>

#include "platform/notifications/NotificationContent.h"
#include "platform/notifications/NotificationTrigger.h"

namespace qm {

// One local notification handed to the notification centre. A request added
// under the identifier of a pending one replaces it. Without a trigger it is
// delivered at once.
struct NotificationRequest {
    std::string identifier;
    NotificationContent content;
    std::optional<NotificationTrigger> trigger;
};

}  // namespace qm
