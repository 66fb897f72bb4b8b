#include "platform/sim/workspace/SimActivationPolicy.h"

namespace qm {

ActivationPolicy::Policy SimActivationPolicy::activationPolicy() const
{
    std::lock_guard lock(mutex_);
    return policy_;
}

bool SimActivationPolicy::setActivationPolicy(Policy policy)
{
    std::lock_guard lock(mutex_);
    requests_.push_back("policy " + std::string(name(policy)));
    if (refusals_ > 0) {
        --refusals_;
        return false;
    }
    policy_ = policy;
    return true;
}

void SimActivationPolicy::activate(bool ignoringOtherApps)
{
    std::lock_guard lock(mutex_);
    requests_.push_back(ignoringOtherApps ? "activate" : "activate politely");
}

void SimActivationPolicy::refuseNext(int count)
{
    std::lock_guard lock(mutex_);
    refusals_ = count;
}

std::vector<std::string> SimActivationPolicy::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void SimActivationPolicy::clearRequests()
{
    std::lock_guard lock(mutex_);
    requests_.clear();
}

}  // namespace qm
