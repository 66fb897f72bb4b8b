#pragma once

#include <functional>
#include <memory>

#include "platform/runtime/MainLoop.h"

namespace qm {

// A one-shot or repeating timer on a main loop. The Timer object is the
// timer's only owner: destroying it or assigning another timer to it
// invalidates the old one, so a timer kept as a member of a page or panel can
// never fire after its owner is gone. A discarded result would be invalidated
// at once, hence [[nodiscard]]; for a fire-and-forget delay use
// MainLoop::postAfter with an AliveToken guard.
//
// A repeating timer schedules its next firing one interval after the firing
// that is starting, before it runs the block, so it keeps its cadence; the
// block may invalidate the timer (or destroy the object holding it) safely.
class Timer {
public:
    using Block = std::function<void()>;

    // Intervals below this are raised to it, so a repeating timer cannot spin.
    static constexpr double kMinimumInterval = 0.0001;

    Timer() = default;
    Timer(Timer&& other) noexcept = default;
    Timer& operator=(Timer&& other) noexcept;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Starts a timer that runs `block` on the loop's main thread after
    // `interval` seconds, and again every `interval` seconds when it `repeats`.
    [[nodiscard]] static Timer scheduledTimer(MainLoop& loop, double interval, bool repeats, Block block);

    // Stops the timer for good; a firing already running finishes. Any thread.
    void invalidate();

    // True while the timer may still fire (a one-shot timer stops being valid
    // as it fires).
    bool isValid() const;

    double interval() const;
    bool repeats() const;

private:
    struct State;
    explicit Timer(std::shared_ptr<State> state) : state_(std::move(state)) {}
    static void schedule(const std::shared_ptr<State>& state);
    static void fire(const std::weak_ptr<State>& weak);

    std::shared_ptr<State> state_;
};

}  // namespace qm
