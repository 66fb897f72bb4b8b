#include "platform/linux/workspace/LinuxActivationPolicy.h"

#include <fmt/format.h>

#include "base/Log.h"

namespace qm {

bool LinuxActivationPolicy::setActivationPolicy(Policy policy)
{
    if (policy != policy_) {
        policy_ = policy;
        Log::log(fmt::format("🪟 ActivationPolicy: {}", name(policy)));
    }
    return true;
}

}  // namespace qm
