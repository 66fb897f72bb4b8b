#include "settings/HUDMessage.h"

#include "platform/notifications/NotificationCenter.h"
#include "shell/ShellNotifications.h"

namespace qm {

void postHUDMessage(NotificationCenter& center, std::string_view message, std::string_view systemImage)
{
    UserInfo info;
    info.set("message", std::string(message));
    info.set("systemImage", std::string(systemImage));
    center.post(ShellNotifications::showHUDMessage, nullptr, std::move(info));
}

}  // namespace qm
