#include "platform/sim/accessibility/SimAccessibilityTrust.h"

#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {

SimAccessibilityTrust::SimAccessibilityTrust(std::shared_ptr<SimDesktopState> state)
    : state_(std::move(state))
{
}

bool SimAccessibilityTrust::isProcessTrusted() const
{
    const auto lock = state_->lock();
    return state_->isTrusted();
}

bool SimAccessibilityTrust::isProcessTrustedWithOptions(bool prompt)
{
    const auto lock = state_->lock();
    return state_->checkTrust(prompt);
}

void SimAccessibilityTrust::setTrusted(bool trusted)
{
    const auto lock = state_->lock();
    state_->setTrusted(trusted);
}

void SimAccessibilityTrust::setPromptAnswer(std::optional<bool> grant)
{
    const auto lock = state_->lock();
    state_->setPromptAnswer(grant);
}

int SimAccessibilityTrust::promptCount() const
{
    const auto lock = state_->lock();
    return state_->promptCount();
}

}  // namespace qm
