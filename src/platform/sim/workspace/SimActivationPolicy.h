#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/workspace/ActivationPolicy.h"

namespace qm {

// Keeps the policy in memory and records every request in order, for tests to
// read: "policy regular", "policy accessory", "activate" (ignoring other
// applications) or "activate politely". A test may have the next changes refused.
class SimActivationPolicy final : public ActivationPolicy {
public:
    explicit SimActivationPolicy(Policy initial = Policy::accessory) : policy_(initial) {}

    Policy activationPolicy() const override;
    bool setActivationPolicy(Policy policy) override;
    void activate(bool ignoringOtherApps) override;

    // The next `count` policy changes are refused (and recorded as requested).
    void refuseNext(int count);
    std::vector<std::string> requests() const;
    void clearRequests();

private:
    mutable std::mutex mutex_;
    Policy policy_;
    int refusals_ = 0;
    std::vector<std::string> requests_;
};

}  // namespace qm
