#include "capture/EventTapManager.h"

#include <utility>

#include <fmt/format.h>

#include "base/Log.h"
#include "capture/CaptureDefaultsKeys.h"
#include "capture/CaptureFailureNotice.h"
#include "capture/CaptureNotifications.h"
#include "capture/CaptureRouterController.h"
#include "platform/keyboard/EventTapFactory.h"
#include "platform/keyboard/EventTapRunLoop.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/ThreadName.h"
#include "platform/storage/UserDefaults.h"
#include "platform/workspace/Alert.h"
#include "platform/workspace/AlertPresenter.h"
#include "shell/PermissionsManager.h"

namespace qm {

EventTapManager::EventTapManager(Services services)
    : services_(std::move(services)), frontmost_(services_.workspace, services_.privacyFirewall),
      processingQueue_(std::make_unique<SerialQueue>(processingQueueLabel))
{
    // Room for the keys of 5 ms of key repeat many times over, so that
    // handing them over allocates nothing.
    typingWork_.reserve(16);
    typingWorkInHand_.reserve(16);
    processingQueue_->setFeed([this] { return drainTypingWork(); }, [this] { return takeTypingWork(); },
                              std::chrono::duration_cast<std::chrono::microseconds>(typingPollInterval));
    loadShortcutPreferences();
    observeAIPromptNotifications();
}

EventTapManager::~EventTapManager()
{
    gate_->close();
    for (const auto& token : observers_) {
        services_.notificationCenter.removeObserver(token);
    }
    stop();
    stopping_.store(true);
}

void EventTapManager::observeAIPromptNotifications()
{
    const auto observe = [this](std::string name, bool promptMode) {
        // Any thread may post these names, so the observer goes through the gate.
        observers_.push_back(services_.notificationCenter.addObserver(
            std::move(name), nullptr, [this, gate = gate_, promptMode](const Notification&) {
                if (const EventTapCallGate::Pass pass(*gate); pass) {
                    setAIPromptMode(promptMode);
                }
            }));
    };
    observe(CaptureNotifications::triggerAIQuickActions, true);
    observe(CaptureNotifications::cancelAIPrompt, false);
    observe(CaptureNotifications::commitAIPrompt, false);
}

void EventTapManager::onMain(std::function<void()> task)
{
    // From the tap callback the main thread is woken once the key has been
    // answered; anywhere else the task is posted at once.
    services_.tapFactory.performAfterEvent(
        [&loop = services_.mainLoop, task = alive_.guard(std::move(task))]() mutable {
            loop.post(std::move(task));
        });
}

ScheduledTask EventTapManager::onMainAfter(double seconds, std::function<void()> task)
{
    return services_.mainLoop.postAfter(seconds, alive_.guard(std::move(task)));
}

void EventTapManager::onProcessingQueue(std::function<void()> task)
{
    handToTapQueue({KeyEvent(), nullptr, std::move(task)});
}

void EventTapManager::handToTapQueue(TypingWork work)
{
    bool wakes = false;
    {
        std::lock_guard lock(typingWorkLock_);
        typingWork_.push_back(std::move(work));
        wakes = typingWorkAsleep_ && !std::exchange(typingWorkWakeQueued_, true);
    }
    if (wakes) [[unlikely]] {
        wakeTapQueueAfterKey();
    }
    // Otherwise the tap queue looks for it within typingPollInterval.
}

void EventTapManager::wakeTapQueueAfterKey()
{
    // Waking the idle tap queue costs more than a key's whole decision, so
    // from the tap callback it happens once the key has been answered.
    afterEvent([this] { processingQueue_->wakeFeed(); });
}

bool EventTapManager::drainTypingWork()
{
    for (;;) {
        {
            std::lock_guard lock(typingWorkLock_);
            typingWorkWakeQueued_ = false;
            if (typingWork_.empty()) {
                // Typing has paused: the tap queue stops looking and the next
                // piece of work wakes it.
                typingWorkAsleep_ = ++typingWorkIdlePolls_ >= typingPollsBeforeSleep;
                return !typingWorkAsleep_;
            }
            typingWorkIdlePolls_ = 0;
            typingWorkAsleep_ = false;
            // The emptied list goes back, keeping its room: handing over allocates nothing.
            typingWorkInHand_.swap(typingWork_);
        }
        doTypingWork(typingWorkInHand_);
        typingWorkInHand_.clear();
    }
}

SerialQueue::Task EventTapManager::takeTypingWork()
{
    TypingWorkList taken;
    {
        std::lock_guard lock(typingWorkLock_);
        if (typingWork_.empty()) {
            return {};
        }
        // Typing goes on: the queue keeps looking for the next keys.
        typingWorkIdlePolls_ = 0;
        taken.swap(typingWork_);
        typingWork_.reserve(taken.capacity());
    }
    return [this, taken = std::move(taken)]() mutable { doTypingWork(taken); };
}

void EventTapManager::doTypingWork(TypingWorkList& work)
{
    for (TypingWork& each : work) {
        if (stopping_.load()) {
            return;
        }
        if (each.task) {
            each.task();
        } else {
            static const std::string none;
            processKeystroke(each.event.keyCode(), getUnicodeString(each.event),
                             each.frontmost ? each.frontmost->bundleId : none);
        }
    }
}

void EventTapManager::loadShortcutPreferences()
{
    const auto flag = [this](const char* key, bool fallback) {
        const auto value = services_.defaults.objectForKey(key);
        const bool* stored = value ? value->get<bool>() : nullptr;
        return stored ? *stored : fallback;
    };
    EventFlags modifiers = 0;
    if (flag(CaptureDefaultsKeys::shortcutHasControl, true)) {
        modifiers |= KeyEventFlags::control;
    }
    if (flag(CaptureDefaultsKeys::shortcutHasOption, false)) {
        modifiers |= KeyEventFlags::alternate;
    }
    if (flag(CaptureDefaultsKeys::shortcutHasShift, false)) {
        modifiers |= KeyEventFlags::shift;
    }
    if (flag(CaptureDefaultsKeys::shortcutHasCommand, false)) {
        modifiers |= KeyEventFlags::command;
    }
    setShortcutModifiers(modifiers == 0 ? KeyEventFlags::control : modifiers);
}

void EventTapManager::setShortcutModifiers(EventFlags modifiers)
{
    shortcutModifiers_.store(modifiers & KeyEventFlags::modifiers, std::memory_order_relaxed);
}

void EventTapManager::start()
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

void EventTapManager::runTapThread(std::uint64_t generation)
{
    // stop() joins this thread (or, called on it, lets it finish on its own
    // after the run loop ends), so the manager outlives every use below.
    ThreadName::setCurrent(tapThreadName);
    const auto runLoop = std::make_shared<EventTapRunLoop>();
    auto tap = services_.tapFactory.createTap(
        EventTap::Location::session, EventTap::Placement::headInsert, EventTap::Options::defaultTap,
        eventMaskBit(KeyEventType::keyDown), [gate = gate_, manager = this](const KeyEvent& event) {
            return eventTapCallback(*gate, manager, event);
        });
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

void EventTapManager::stop()
{
    onMain([this] { tapWatchdogTimer_.invalidate(); });
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

void EventTapManager::startWatchdogTimer()
{
    onMain([this] {
        tapWatchdogTimer_ = Timer::scheduledTimer(services_.mainLoop, watchdogInterval, true, [this] {
            // The timer is a member: it never fires once the manager is gone.
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

void EventTapManager::handleTimeout()
{
    // Guarded: the router goes with the manager, and the loop may still hold this.
    onMain([&router = services_.captureRouter] { router.cancelCapture(); });
    int count = 0;
    {
        std::lock_guard lock(tapLock_);
        lastTapTimeoutAt_ = services_.clock.now();
        count = ++consecutiveTimeouts_;
    }
    Log::print(fmt::format("Event tap watchdog: Timeout occurred. Count: {}", count));
    if (count < timeoutsBeforePermanentDisable) {
        onMainAfter(timeoutCooldown, [this] {
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
    onMain([&router = services_.captureRouter, &center = services_.notificationCenter] {
        router.cancelCapture();
        CaptureFailureNotice notice;
        notice.command = "capture";
        notice.detail = detailAfterRepeatedTimeouts;
        notice.informational = true;
        notice.post(center);
    });
}

void EventTapManager::handleUserInputDisable()
{
    onMain([&router = services_.captureRouter] { router.cancelCapture(); });
    std::shared_ptr<EventTap> tap;
    {
        std::lock_guard lock(tapLock_);
        if (isTapPermanentlyDisabled_ || !eventTap_) {
            return;
        }
        tap = eventTap_;
    }
    tap->setEnabled(true);
    onMainAfter(userInputRecheckDelay, [this] {
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

void EventTapManager::showEventTapFailurePrompt()
{
    onMain([&alerts = services_.alerts, &permissions = services_.permissions] {
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

std::shared_ptr<EventTap> EventTapManager::eventTap() const
{
    std::lock_guard lock(tapLock_);
    return eventTap_;
}

int EventTapManager::consecutiveTimeouts() const
{
    std::lock_guard lock(tapLock_);
    return consecutiveTimeouts_;
}

bool EventTapManager::isTapPermanentlyDisabled() const
{
    std::lock_guard lock(tapLock_);
    return isTapPermanentlyDisabled_;
}

}  // namespace qm
