#include "platform/notifications/DistributedNotificationCenter.h"

#include <atomic>
#include <stdexcept>

namespace qm {

namespace {
std::atomic<DistributedNotificationCenter*> installedCenter{nullptr};
}

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter()
{
    DistributedNotificationCenter* center = installedCenter.load();
    if (!center) {
        throw std::logic_error("DistributedNotificationCenter::defaultCenter(): no distributed notification "
                               "centre was installed");
    }
    return *center;
}

void DistributedNotificationCenter::setDefaultCenter(DistributedNotificationCenter* center)
{
    installedCenter.store(center);
}

}  // namespace qm
