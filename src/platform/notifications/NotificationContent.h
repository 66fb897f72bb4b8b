#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/notifications/UserInfo.h"

namespace qm {

// What a local notification shows and carries.
struct NotificationContent {
    // The name of the system's default notification sound.
    static constexpr std::string_view defaultSound = "default";

    std::string title;
    std::string body;
    // A sound name (defaultSound for the system's sound); nothing: silent.
    std::optional<std::string> sound;
    // The registered category whose actions the notification offers.
    std::string categoryIdentifier;
    UserInfo userInfo;
};

}  // namespace qm
