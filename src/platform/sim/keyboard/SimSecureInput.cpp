#include "platform/sim/keyboard/SimSecureInput.h"

#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {

SimSecureInput::SimSecureInput(std::shared_ptr<SimDesktopState> state) : state_(std::move(state)) {}

bool SimSecureInput::isSecureEventInputEnabled() const
{
    return state_->secureInputOnWithoutLock();
}

void SimSecureInput::setRequested(bool requested)
{
    const auto lock = state_->lock();
    state_->setSecureInputRequested(requested);
}

}  // namespace qm
