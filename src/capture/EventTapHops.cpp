#include "capture/EventTapHops.h"

#include "capture/EventTapManagerDelegate.h"

namespace qm {

EventTapHops::EventTapHops(EventTapFactory& tapFactory, MainLoop& mainLoop, EventTapManager& manager)
    : tapFactory_(tapFactory), mainLoop_(mainLoop), manager_(manager)
{
}

void EventTapHops::onMain(std::function<void()> task)
{
    // From the tap callback the main thread is woken once the key has been
    // answered; anywhere else the task is posted at once.
    tapFactory_.performAfterEvent(
        [&loop = mainLoop_, task = alive_.guard(std::move(task))]() mutable { loop.post(std::move(task)); });
}

ScheduledTask EventTapHops::onMainAfter(double seconds, std::function<void()> task)
{
    return mainLoop_.postAfter(seconds, alive_.guard(std::move(task)));
}

void EventTapHops::callDelegateOnMain(std::function<void(EventTapManagerDelegate&, EventTapManager&)> call)
{
    onMain([this, call = std::move(call)] {
        if (delegate_) {
            call(*delegate_, manager_);
        }
    });
}

}  // namespace qm
