#include "platform/runtime/Timer.h"

#include <algorithm>
#include <mutex>

namespace qm {

struct Timer::State {
    State(MainLoop& loop, double interval, bool repeats, Block block)
        : loop(loop), interval(interval), repeats(repeats), block(std::move(block))
    {
    }

    MainLoop& loop;
    const double interval;
    const bool repeats;
    // Kept until the state goes away, never cleared on invalidate: the block
    // may be the one running and invalidating.
    const Block block;

    mutable std::mutex mutex;
    bool valid = true;
    ScheduledTask pending;
};

Timer& Timer::operator=(Timer&& other) noexcept
{
    if (this != &other) {
        invalidate();
        state_ = std::move(other.state_);
    }
    return *this;
}

Timer::~Timer()
{
    invalidate();
}

Timer Timer::scheduledTimer(MainLoop& loop, double interval, bool repeats, Block block)
{
    auto state =
        std::make_shared<State>(loop, std::max(interval, kMinimumInterval), repeats, std::move(block));
    std::lock_guard lock(state->mutex);
    schedule(state);
    return Timer(state);
}

void Timer::schedule(const std::shared_ptr<State>& state)
{
    // The loop holds only a weak reference: the Timer object alone keeps the
    // timer alive, so dropping it is enough to stop it.
    state->pending =
        state->loop.postAfter(state->interval, [weak = std::weak_ptr<State>(state)] { fire(weak); });
}

void Timer::fire(const std::weak_ptr<State>& weak)
{
    const auto state = weak.lock();
    if (!state) {
        return;
    }
    {
        std::lock_guard lock(state->mutex);
        if (!state->valid) {
            return;
        }
        if (state->repeats) {
            schedule(state);
        } else {
            state->valid = false;
        }
    }
    // `state` keeps the block alive even if the block drops its Timer.
    if (state->block) {
        state->block();
    }
}

void Timer::invalidate()
{
    if (!state_) {
        return;
    }
    std::lock_guard lock(state_->mutex);
    state_->valid = false;
    state_->pending.cancel();
}

bool Timer::isValid() const
{
    if (!state_) {
        return false;
    }
    std::lock_guard lock(state_->mutex);
    return state_->valid;
}

double Timer::interval() const
{
    return state_ ? state_->interval : 0.0;
}

bool Timer::repeats() const
{
    return state_ && state_->repeats;
}

}  // namespace qm
