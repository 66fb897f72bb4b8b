#pragma once

#include "platform/notifications/NotificationRequest.h"

namespace qm {

// A local notification that was delivered: its request and when it fired.
struct UserNotification {
    double date = 0;  // seconds since 1970
    NotificationRequest request;
};

}  // namespace qm
