#pragma once

#include "platform/workspace/ActivationPolicy.h"

namespace qm {

// The activation policy on a Linux desktop, where there is no Dock and no
// global menu bar to give or take: the policy is kept and each change is
// logged ("🪟 ActivationPolicy: regular"), so that the program's state stays
// readable from its log. Activating asks nothing of the window manager: the
// windows and alerts that need the front raise themselves when shown.
// Starts as a status-bar agent (accessory). Main thread.
class LinuxActivationPolicy final : public ActivationPolicy {
public:
    Policy activationPolicy() const override { return policy_; }
    bool setActivationPolicy(Policy policy) override;
    void activate(bool) override {}

private:
    Policy policy_ = Policy::accessory;
};

}  // namespace qm
