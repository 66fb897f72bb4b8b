#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "capture/EventTapServices.h"
#include "platform/keyboard/EventTap.h"
#include "platform/runtime/Timer.h"

namespace qm {

class EventTapHops;
class EventTapRunLoop;

// Keeps the event tap alive: installs it on a thread of its own, removes it,
// switches a tap the system switched off on again (the watchdog, the cooldown
// after a timeout, the re-check after a disable by user input), gives it up
// after repeated timeouts, and tells the user when it cannot run.
//
// Threads: start(), the watchdog, the delayed re-enables and the failure
// prompt run on the main thread; handleTimeout() and handleUserInputDisable()
// on the tap's thread, from its callback, where they never block and send
// their effects to the main loop; stop() and the getters on any thread.
// Lock: tapLock_ guards the tap objects and the health counters; it is never
// held while another lock is taken, nor while calling out.
class EventTapLifecycle {
public:
    static constexpr const char* tapThreadName = "com.quillmarker.app.EventTapThread";

    static constexpr double watchdogInterval = 3.0;
    // The watchdog leaves the tap alone this long after a timeout, so that it
    // never cuts the timeout cooldown short.
    static constexpr double watchdogQuietAfterTimeout = 2.5;
    static constexpr double timeoutCooldown = 2.0;
    static constexpr int timeoutsBeforePermanentDisable = 3;
    static constexpr double userInputRecheckDelay = 1.0;
    // The time of no timeout at all (0001-01-01, in seconds since 1970).
    static constexpr double distantPast = -62135596800.0;

    static constexpr const char* detailAfterRepeatedTimeouts =
        "The keyboard listener paused after repeated timeouts. Restart Quillmarker from the menu bar, "
        "then type // again.";

    // `callback` is what every tap installed here calls; it must pass through
    // the hops' gate. Nothing runs until start().
    EventTapLifecycle(const EventTapServices& services, EventTapHops& hops, EventTap::Callback callback);
    EventTapLifecycle(const EventTapLifecycle&) = delete;
    EventTapLifecycle& operator=(const EventTapLifecycle&) = delete;

    // Installs the tap on a new thread (replacing any running one) and starts
    // the watchdog. Needs Accessibility trust; without it nothing happens. A
    // start also lifts a permanent disable and forgets earlier timeouts.
    void start();
    // Removes the tap and ends its thread. Any thread; safe when nothing runs.
    void stop();

    void startWatchdogTimer();
    void showEventTapFailurePrompt();

    // Tap callback: the system switched the tap off.
    void handleTimeout();
    void handleUserInputDisable();
    // Tap callback, every key-down: a key delivered means the tap works again.
    void noteKeyDelivered()
    {
        if (consecutiveTimeouts_.load(std::memory_order_relaxed) != 0) [[unlikely]] {
            consecutiveTimeouts_.store(0, std::memory_order_relaxed);
        }
    }

    // The installed tap, if any (any thread).
    std::shared_ptr<EventTap> eventTap() const;
    int consecutiveTimeouts() const;
    bool isTapPermanentlyDisabled() const;

private:
    // The tap thread's body.
    void runTapThread(std::uint64_t generation);

    const EventTapServices& services_;
    EventTapHops& hops_;
    const EventTap::Callback callback_;

    // Read by every key: written under tapLock_, except the reset by every
    // key, which needs no lock.
    std::atomic<int> consecutiveTimeouts_{0};

    mutable std::mutex tapLock_;
    std::shared_ptr<EventTap> eventTap_;
    std::shared_ptr<EventTapRunLoop> tapRunLoop_;
    std::thread tapThread_;
    std::uint64_t tapGeneration_ = 0;
    bool isTapPermanentlyDisabled_ = false;
    double lastTapTimeoutAt_ = distantPast;

    // Main thread only.
    Timer tapWatchdogTimer_;
};

}  // namespace qm
