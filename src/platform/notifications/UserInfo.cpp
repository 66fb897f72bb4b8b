#include "platform/notifications/UserInfo.h"

namespace qm {

std::vector<std::string> UserInfo::keys() const
{
    std::vector<std::string> result;
    result.reserve(values_.size());
    for (const auto& [key, value] : values_) {
        result.push_back(key);
    }
    return result;
}

}  // namespace qm
