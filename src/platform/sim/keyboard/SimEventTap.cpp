#include "platform/sim/keyboard/SimEventTap.h"

#include "platform/sim/keyboard/SimEventTapList.h"

namespace qm {

SimEventTap::SimEventTap(std::shared_ptr<State> state, std::weak_ptr<SimEventTapList> list)
    : state_(std::move(state)), list_(std::move(list))
{
}

SimEventTap::~SimEventTap()
{
    invalidate();
}

void SimEventTap::setEnabled(bool enabled)
{
    if (state_->valid.load()) {
        state_->enabled.store(enabled);
    }
}

bool SimEventTap::isEnabled() const
{
    return state_->valid.load() && state_->enabled.load();
}

void SimEventTap::invalidate()
{
    state_->valid.store(false);
    if (const auto list = list_.lock()) {
        list->remove(state_);
    }
}

bool SimEventTap::isValid() const
{
    return state_->valid.load();
}

}  // namespace qm
