#include "platform/keyboard/EventTapRunLoop.h"

namespace qm {

void EventTapRunLoop::run()
{
    std::unique_lock lock(mutex_);
    stopped_.wait(lock, [this] { return stopRequested_; });
}

void EventTapRunLoop::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    stopped_.notify_all();
}

bool EventTapRunLoop::isStopped() const
{
    std::lock_guard lock(mutex_);
    return stopRequested_;
}

}  // namespace qm
