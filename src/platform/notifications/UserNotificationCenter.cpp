#include "platform/notifications/UserNotificationCenter.h"

#include <atomic>
#include <stdexcept>

namespace qm {

namespace {
std::atomic<UserNotificationCenter*> installedCenter{nullptr};
}

UserNotificationCenter& UserNotificationCenter::current()
{
    UserNotificationCenter* center = installedCenter.load();
    if (!center) {
        throw std::logic_error("UserNotificationCenter::current(): no notification centre was installed");
    }
    return *center;
}

void UserNotificationCenter::setCurrent(UserNotificationCenter* center)
{
    installedCenter.store(center);
}

}  // namespace qm
