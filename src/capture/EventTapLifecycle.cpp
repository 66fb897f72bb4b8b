#include "capture/EventTapLifecycle.h"

#include <utility>

#include <fmt/format.h>

#include "base/Log.h"
#include "capture/CaptureFailureNotice.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapHops.h"
#include "platform/keyboard/EventTapFactory.h"
#include "platform/keyboard/EventTapRunLoop.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadName.h"
#include "platform/workspace/Alert.h"
#include "platform/workspace/AlertPresenter.h"
#include "shell/PermissionsManager.h"

namespace qm {

EventTapLifecycle::EventTapLifecycle(const EventTapServices& services, EventTapHops& hops,
                                     EventTap::Callback callback)
    : services_(services), hops_(hops), callback_(std::move(callback))
{
}

void EventTapLifecycle::start()
{
    if (!services_.permissions.isAccessibilityTrusted()) {
        Log::print("Accessibility not trusted. Skipping event tap creation.");
        return;
    }
    stop();
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(tapLock_);
        generation = ++tapGeneration_;
        // A new start is the user's way back after a permanent disable.
        isTapPermanentlyDisabled_ = false;
        consecutiveTimeouts_ = 0;
    }
    std::thread thread([this, generation] { runTapThread(generation); });
    {
        std::lock_guard lock(tapLock_);
        tapThread_ = std::move(thread);
    }
    startWatchdogTimer();
}

void EventTapLifecycle::runTapThread(std::uint64_t generation)
{
    // stop() joins this thread (or, called on it, lets it finish on its own
    // after the run loop ends), so this object outlives every use below.
    ThreadName::setCurrent(tapThreadName);
    const auto runLoop = std::make_shared<EventTapRunLoop>();
    auto tap = services_.tapFactory.createTap(EventTap::Location::session, EventTap::Placement::headInsert,
                                              EventTap::Options::defaultTap,
                                              eventMaskBit(KeyEventType::keyDown), callback_);
    if (!tap) {
        Log::print("Failed to create event tap.");
        showEventTapFailurePrompt();
        return;
    }
    bool superseded = false;
    {
        std::lock_guard lock(tapLock_);
        superseded = tapGeneration_ != generation;
        if (!superseded) {
            eventTap_ = tap;
            tapRunLoop_ = runLoop;
        }
    }
    if (superseded) {
        tap->setEnabled(false);
        tap->invalidate();
        return;
    }
    tap->setEnabled(true);
    Log::print("Event tap successfully started on dedicated background thread.");
    tap.reset();
    runLoop->run();
}

void EventTapLifecycle::stop()
{
    hops_.onMain([this] { tapWatchdogTimer_.invalidate(); });
    std::shared_ptr<EventTap> tap;
    std::shared_ptr<EventTapRunLoop> runLoop;
    std::thread thread;
    {
        std::lock_guard lock(tapLock_);
        ++tapGeneration_;
        tap = std::move(eventTap_);
        runLoop = std::move(tapRunLoop_);
        thread = std::move(tapThread_);
        eventTap_.reset();
        tapRunLoop_.reset();
    }
    if (tap) {
        tap->setEnabled(false);
        tap->invalidate();
    }
    if (runLoop) {
        runLoop->stop();
    }
    if (thread.joinable()) {
        // A thread not yet past its start finds the newer generation and ends;
        // stop() on the tap thread itself cannot wait for it.
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();
        } else {
            thread.join();
        }
    }
}

void EventTapLifecycle::startWatchdogTimer()
{
    hops_.onMain([this] {
        tapWatchdogTimer_ = Timer::scheduledTimer(services_.mainLoop, watchdogInterval, true, [this] {
            // The timer is a member: it never fires once this object is gone.
            std::shared_ptr<EventTap> tap;
            bool disabledForGood = false;
            double lastTimeout = 0;
            {
                std::lock_guard lock(tapLock_);
                tap = eventTap_;
                disabledForGood = isTapPermanentlyDisabled_;
                lastTimeout = lastTapTimeoutAt_;
            }
            if (disabledForGood || !tap || services_.clock.now() - lastTimeout <= watchdogQuietAfterTimeout) {
                return;
            }
            if (!tap->isEnabled()) {
                Log::print("⚠️ Watchdog: Event tap was disabled! Re-enabling...");
                tap->setEnabled(true);
            }
        });
    });
}

void EventTapLifecycle::handleTimeout()
{
    // Guarded: the router goes with the manager, and the loop may still hold this.
    hops_.onMain([&router = services_.captureRouter] { router.cancelCapture(); });
    int count = 0;
    {
        std::lock_guard lock(tapLock_);
        lastTapTimeoutAt_ = services_.clock.now();
        count = ++consecutiveTimeouts_;
    }
    Log::print(fmt::format("Event tap watchdog: Timeout occurred. Count: {}", count));
    if (count < timeoutsBeforePermanentDisable) {
        hops_.onMainAfter(timeoutCooldown, [this] {
            std::shared_ptr<EventTap> tap;
            bool disabledForGood = false;
            {
                std::lock_guard lock(tapLock_);
                tap = eventTap_;
                disabledForGood = isTapPermanentlyDisabled_;
            }
            if (!disabledForGood && tap) {
                tap->setEnabled(true);
                Log::print("Event tap watchdog: Re-enabled tap after 2s cooldown.");
            }
        });
        return;
    }
    Log::print("Event tap watchdog: Disabling event tap permanently due to multiple timeouts to protect "
               "system input stream.");
    {
        std::lock_guard lock(tapLock_);
        isTapPermanentlyDisabled_ = true;
    }
    stop();
    hops_.onMain([&router = services_.captureRouter, &center = services_.notificationCenter] {
        router.cancelCapture();
        CaptureFailureNotice notice;
        notice.command = "capture";
        notice.detail = detailAfterRepeatedTimeouts;
        notice.informational = true;
        notice.post(center);
    });
}

void EventTapLifecycle::handleUserInputDisable()
{
    hops_.onMain([&router = services_.captureRouter] { router.cancelCapture(); });
    std::shared_ptr<EventTap> tap;
    {
        std::lock_guard lock(tapLock_);
        if (isTapPermanentlyDisabled_ || !eventTap_) {
            return;
        }
        tap = eventTap_;
    }
    tap->setEnabled(true);
    hops_.onMainAfter(userInputRecheckDelay, [this] {
        std::shared_ptr<EventTap> current;
        {
            std::lock_guard lock(tapLock_);
            if (isTapPermanentlyDisabled_) {
                return;
            }
            current = eventTap_;
        }
        if (current && !current->isEnabled()) {
            Log::print("⚠️ Event tap disabled by user input and re-enable failed — prompting for "
                       "permissions.");
            showEventTapFailurePrompt();
        }
    });
}

void EventTapLifecycle::showEventTapFailurePrompt()
{
    hops_.onMain([&alerts = services_.alerts, &permissions = services_.permissions] {
        Alert alert;
        alert.messageText = "Input Monitoring or Accessibility Permission Required";
        alert.informativeText =
            "Quillmarker was unable to start its global keyboard listener.\n\n"
            "This usually means that the application lacks 'Input Monitoring' or 'Accessibility' "
            "permissions in System Settings.\n\n"
            "Please open 'System Settings > Privacy & Security' and ensure Quillmarker is toggled ON under "
            "both 'Accessibility' and 'Input Monitoring', then restart the app.";
        alert.alertStyle = Alert::Style::critical;
        alert.addButton("Open Settings");
        alert.addButton("Cancel");
        if (alert.runModal(alerts) == Alert::alertFirstButtonReturn) {
            permissions.openAccessibilitySettings();
        }
    });
}

std::shared_ptr<EventTap> EventTapLifecycle::eventTap() const
{
    std::lock_guard lock(tapLock_);
    return eventTap_;
}

int EventTapLifecycle::consecutiveTimeouts() const
{
    std::lock_guard lock(tapLock_);
    return consecutiveTimeouts_;
}

bool EventTapLifecycle::isTapPermanentlyDisabled() const
{
    std::lock_guard lock(tapLock_);
    return isTapPermanentlyDisabled_;
}

}  // namespace qm
