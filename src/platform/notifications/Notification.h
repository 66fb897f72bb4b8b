#pragma once

#include <string>

#include "platform/notifications/UserInfo.h"

namespace qm {

// One posted notification. `object` identifies the sender only: it is compared,
// never dereferenced, and may be null.
struct Notification {
    std::string name;
    const void* object = nullptr;
    UserInfo userInfo;
};

}  // namespace qm
