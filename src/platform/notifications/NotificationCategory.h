#pragma once

#include <string>
#include <vector>

#include "platform/notifications/NotificationCategoryAction.h"

namespace qm {

// A kind of notification the program posts, with the actions it offers.
struct NotificationCategory {
    enum Option : unsigned {
        customDismissAction = 1u << 0,  // the delegate hears dismissals too
    };

    std::string identifier;  // in capitals ("QUILLMRKER_TIMER")
    std::vector<NotificationCategoryAction> actions;
    std::vector<std::string> intentIdentifiers;
    unsigned options = 0;

    bool operator==(const NotificationCategory&) const = default;
};

}  // namespace qm
