#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/EventTapCallGate.h"
#include "capture/FrontmostApplicationCache.h"
#include "capture/SuggestionMuteSet.h"
#include "platform/keyboard/EventTap.h"
#include "platform/keyboard/EventTapFactory.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/keyboard/KeyEventFlags.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/Timer.h"

namespace qm {

class AlertPresenter;
class CaptureRouterController;
class Clock;
class EventTapManagerDelegate;
class EventTapRunLoop;
class PermissionsManager;
class PrivacyFirewall;
class SecureInput;
class SyntheticEventPoster;
class UserDefaults;
class Workspace;

// The program's global keyboard listener. It installs a session-level tap for
// key-downs on a thread of its own, decides for every key-down whether the key
// is the capture router's, the suggestion overlay's, the AI prompt's or plain
// typing (handleKeyEvent), keeps the typing context that suggestions are built
// from, and keeps the tap alive: a tap the system switched off is switched on
// again, given up after repeated timeouts, and the user is told when it cannot
// run.
//
// One per process, owned by the application delegate, made and destroyed on
// the main thread. Destruction waits for a tap callback in flight and for the
// keystroke the tap queue is processing; delayed main-thread blocks check that
// the manager still lives.
//
// Threads:
// - the tap callback (handleKeyEvent, handleTimeout, handleUserInputDisable)
//   runs where the tap delivers events; it never blocks, and sends every effect
//   to the main loop or to the tap queue. The typing work (keystrokes, and the
//   tasks that clear the context) goes into one list in the order it is handed
//   over, a keystroke as its key is decided (the list keeps its room, so
//   this allocates nothing); the tap queue takes the list as a whole
//   (SerialQueue::setFeed): every typingPollInterval while typing goes on,
//   so keys at a person's pace wake no thread; a task queued on the tap
//   queue takes the work handed over before it along, in front of itself.
//   Only once the queue has gone to sleep after a pause is it woken, and
//   never before the key in hand has been answered
//   (EventTapFactory::performAfterEvent), so waking it never delays a key.
//   The application in front and the privacy firewall's verdict on it are
//   worked out again only when either changes (FrontmostApplicationCache);
//   a stale firewall cache is refreshed after the key, too;
// - the tap queue "com.quillmarker.app.tapQueue" runs the typing context
//   (processKeystroke, notifyUpdate) one keystroke after another;
// - the main thread runs start(), the watchdog, the delayed re-enables, the
//   failure prompt, every delegate call and every notification posted here.
// Locks: tapLock_ guards the tap objects and its health counters,
// typingStateLock_ the typing state's words and buffer, one read or write at
// a time (its flags and the time of the last key press are atomics: every key
// reads them),
// typingWorkLock_ the typing work not yet taken by the tap queue. None is
// held while another is taken, nor while calling out.
class EventTapManager {
public:
    // What the manager works with. Every reference must outlive the manager.
    struct Services {
        EventTapFactory& tapFactory;
        SyntheticEventPoster& eventPoster;
        SecureInput& secureInput;
        Workspace& workspace;
        MainLoop& mainLoop;
        const Clock& clock;
        const UserDefaults& defaults;
        // Where the tap's notifications are posted and its own observers listen.
        NotificationCenter& notificationCenter;
        CaptureRouterController& captureRouter;
        PrivacyFirewall& privacyFirewall;
        // The Accessibility trust checked at start, and the settings the failure prompt opens.
        PermissionsManager& permissions;
        // Shows the failure prompt.
        AlertPresenter& alerts;
        // True while one of the program's own editable windows is key; keys
        // then reach that window untouched. Called for every key-down on the
        // tap's thread. Empty: never.
        std::function<bool()> isOwnEditableWindowKey;
    };

    static constexpr const char* processingQueueLabel = "com.quillmarker.app.tapQueue";
    static constexpr const char* tapThreadName = "com.quillmarker.app.EventTapThread";

    static constexpr double watchdogInterval = 3.0;
    // The watchdog leaves the tap alone this long after a timeout, so that it
    // never cuts the timeout cooldown short.
    static constexpr double watchdogQuietAfterTimeout = 2.5;
    static constexpr double timeoutCooldown = 2.0;
    static constexpr int timeoutsBeforePermanentDisable = 3;
    static constexpr double userInputRecheckDelay = 1.0;

    // While keys keep coming the tap queue looks for them this often instead
    // of being woken for each: a wake costs the tap thread more than the key's
    // whole decision, and the typing context's readers wait far longer (the
    // suggestions wait for a pause in typing).
    static constexpr std::chrono::milliseconds typingPollInterval{5};
    // It stops looking, and sleeps until woken, after this many looks found nothing (1 s).
    static constexpr int typingPollsBeforeSleep = 200;

    // Characters (user-perceived) of typing kept in the sliding buffer.
    static constexpr std::size_t slidingBufferLimit = 500;
    // Words kept once a word is ended by Space.
    static constexpr std::size_t recentWordsLimit = 5;
    // Words ended by punctuation are kept beyond recentWordsLimit (a sentence
    // keeps its clauses) but never beyond this.
    static constexpr std::size_t recentWordsHardLimit = 20;
    // Seconds without a keystroke after which the sliding buffer is emptied.
    static constexpr double sessionTimeout = 5.0;
    // The time of no key press at all (0001-01-01, in seconds since 1970).
    static constexpr double distantPast = -62135596800.0;

    static constexpr const char* detailAfterRepeatedTimeouts =
        "The keyboard listener paused after repeated timeouts. Restart Quillmarker from the menu bar, "
        "then type // again.";

    // Builds the manager (stopped), reads the shortcut preferences and starts
    // listening for the AI prompt notifications.
    explicit EventTapManager(Services services);
    // Stops the tap and waits for its thread; keystrokes still queued are dropped.
    ~EventTapManager();
    EventTapManager(const EventTapManager&) = delete;
    EventTapManager& operator=(const EventTapManager&) = delete;

    // --- Main thread ---

    // Read afresh for every report; the delegate must be cleared (nullptr)
    // before it goes away.
    EventTapManagerDelegate* delegate() const { return delegate_; }
    void setDelegate(EventTapManagerDelegate* delegate) { delegate_ = delegate; }

    // Rebuilds shortcutModifiers() from "shortcutHasControl" (true unless it
    // holds a false Boolean), "shortcutHasOption", "shortcutHasShift" and
    // "shortcutHasCommand" (true only when they hold a true Boolean); none
    // true gives Control alone.
    void loadShortcutPreferences();

    // Installs the tap on a new thread (replacing any running one) and starts
    // the watchdog. Needs Accessibility trust; without it nothing happens. A
    // start also lifts a permanent disable and forgets earlier timeouts.
    void start();
    // Removes the tap and ends its thread. Any thread; safe when nothing runs.
    void stop();

    void startWatchdogTimer();
    void showEventTapFailurePrompt();

    // --- The tap's callback ---

    // Passes this process's own synthetic events untouched, hands key-downs
    // to handleKeyEvent and the tap-disabled events to the two handlers below.
    // `manager` is reached through `gate` only, so a manager being destroyed
    // is never touched.
    static std::optional<KeyEvent> eventTapCallback(EventTapCallGate& gate, EventTapManager* manager,
                                                    const KeyEvent& event);
    // The decision for one key-down: true swallows it.
    bool handleKeyEvent(const KeyEvent& event);
    void handleTimeout();
    void handleUserInputDisable();

    // The text a key event types (at most 16 UTF-16 units); nothing when it types none.
    static std::optional<std::string> getUnicodeString(const KeyEvent& event);

    // --- Typing context ---

    // Tap queue only.
    void processKeystroke(std::uint16_t keyCode, const std::optional<std::string>& characters,
                          const std::string& appBundleId);
    void notifyUpdate();
    // Forgets what was typed: the recent words, the word prefix and the
    // sliding buffer (queued behind keystrokes already queued), with
    // `clearPassiveBuffer` also the capture router's passive trigger buffer
    // (at once), and tells the delegate to clear its suggestions. Any thread.
    // `appBundleId` names the application concerned (nothing: the frontmost);
    // the clearing is the same for every application.
    void clearContext(const std::optional<std::string>& appBundleId, bool clearPassiveBuffer);

    // --- Typing state: any thread, one read or write each ---

    std::vector<std::string> recentWords() const;
    void setRecentWords(std::vector<std::string> words);
    std::string currentWordPrefix() const;
    void setCurrentWordPrefix(std::string prefix);
    std::string slidingBuffer() const;
    void setSlidingBuffer(std::string buffer);
    bool isSuggestionsOverlayVisible() const;
    void setSuggestionsOverlayVisible(bool visible);
    bool isPlaceholderModeActive() const;
    void setPlaceholderModeActive(bool active);
    bool isAIPromptMode() const;
    void setAIPromptMode(bool active);
    // Seconds since 1970 on the injected clock; distantPast before the first key.
    double lastKeyPressTime() const;
    void setLastKeyPressTime(double time);
    bool lastActionWasSuggestionWithTrailingSpace() const;
    void setLastActionWasSuggestionWithTrailingSpace(bool value);

    // The modifiers (KeyEventFlags bits) that, with a digit 1 to 6, pick a suggestion.
    EventFlags shortcutModifiers() const { return shortcutModifiers_.load(std::memory_order_relaxed); }
    void setShortcutModifiers(EventFlags modifiers);

    // --- State of the tap ---

    // The installed tap, if any (any thread).
    std::shared_ptr<EventTap> eventTap() const;
    int consecutiveTimeouts() const;
    bool isTapPermanentlyDisabled() const;
    // The applications where Control+0 switched suggestions off.
    const SuggestionMuteSet& mutedApplications() const { return mutedApplications_; }
    SerialQueue& processingQueue() { return *processingQueue_; }

private:
    void observeAIPromptNotifications();

    // The tap thread's body.
    void runTapThread(std::uint64_t generation);
    // Runs `task` on the main thread if the manager still lives then. From the
    // tap callback, the main thread is woken once the key has been answered.
    void onMain(std::function<void()> task);
    ScheduledTask onMainAfter(double seconds, std::function<void()> task);
    // Runs `task` on the tap queue, after the typing work handed over before
    // it, unless the manager is being destroyed.
    void onProcessingQueue(std::function<void()> task);
    // Runs `task` on this thread once the key event in hand has been answered
    // (EventTapFactory::performAfterEvent), outside the tap callback at once;
    // not at all once the manager is being destroyed. `task` travels inside
    // the one block handed to the platform: a single allocation.
    template <class Task> void afterEvent(Task task)
    {
        // The block runs after the callback has left the gate, so it enters again:
        // a manager being destroyed by then is never touched.
        services_.tapFactory.performAfterEvent([gate = gate_, task = std::move(task)]() mutable {
            if (const EventTapCallGate::Pass pass(*gate); pass) {
                task();
            }
        });
    }

    // The typing state a key-down decision looks at.
    struct KeyFlags {
        bool aiPromptMode = false;
        bool overlayVisible = false;
        bool placeholderMode = false;
        bool trailingSpace = false;

        bool any() const { return aiPromptMode || overlayVisible || placeholderMode || trailingSpace; }
    };
    KeyFlags keyFlags() const;

    // Key dispatch helpers (tap thread).
    using Frontmost = FrontmostApplicationCache::Frontmost;
    bool dispatchUnmutedKey(const KeyEvent& event, const Frontmost& frontmost);
    // Keys that do more than type: shortcuts, and any key while a suggestion,
    // prompt or placeholder is showing.
    bool dispatchUnusualKey(const KeyEvent& event, const Frontmost& frontmost, KeyFlags flags);
    // The rare decisions, kept out of the ordinary key's way: a key the
    // program must not look at (secure input, an excluded application), and
    // a key in an application whose suggestions are muted.
    [[gnu::cold]] bool passUnwatched();
    [[gnu::cold]] bool dispatchMutedKey(const KeyEvent& event, const std::string& bundleId);
    bool dispatchAIPromptKey(const KeyEvent& event);
    void toggleSuggestionMute(const std::string& bundleId);
    void queueKeystroke(const KeyEvent& event, const Frontmost& frontmost);

    // One piece of typing work: a keystroke typed with `frontmost` in front,
    // or (`task` set) a task. Handing one over copies no string.
    struct TypingWork {
        KeyEvent event;
        // Kept alive by handedOverFrontmost_ until the keystroke is done.
        const Frontmost* frontmost = nullptr;
        std::function<void()> task;
    };
    // Adds `work` to the list, and wakes the tap queue when it sleeps and no
    // earlier wake is still to take the list, once the key in hand (if any)
    // has been answered.
    void handToTapQueue(TypingWork work);
    // Out of the plain key's way: only the first key after a pause wakes the
    // queue, only the first in another application hands over its record.
    [[gnu::noinline]] void wakeTapQueueAfterKey();
    [[gnu::noinline]] void handOverFrontmost();
    // A stale privacy firewall cache is refreshed once the key has been
    // answered: the refresh wakes the background queue.
    [[gnu::noinline]] void refreshFirewallAfterKey();
    // Tap queue: does the work handed over so far, in order, until none is
    // left. False once typing has paused long enough for the queue to sleep.
    bool drainTypingWork();
    // The work handed over so far, as one task for the tap queue to run
    // before a task queued now (nothing when none is waiting).
    SerialQueue::Task takeTypingWork();
    // The typing work lists keep their room when they are swapped.
    using TypingWorkList = std::vector<TypingWork>;
    void doTypingWork(TypingWorkList& work);
    void postSyntheticKey(std::uint16_t keyCode);
    void postOnMain(std::string name, UserInfo userInfo = {});
    void callDelegateOnMain(std::function<void(EventTapManagerDelegate&, EventTapManager&)> call);

    // Typing context helpers (tap queue).
    // Moves the word being typed (if any) to the end of the recent words and
    // drops the oldest one when they are then more than `limit`.
    void completeWord(std::size_t limit);
    void restartSessionTimer();
    void endLine(std::uint16_t keyCode, const std::string& appBundleId);
    // Our Delete took the suggestion's space out of the field before the
    // punctuation: the sliding buffer drops it too.
    void dropSuggestionSpace();

    Services services_;

    // What every key reads or writes, side by side.
    // Written under tapLock_, except the reset by every key, which needs no lock.
    std::atomic<int> consecutiveTimeouts_{0};
    // The typing state's flags and the time of the last key press: atomics
    // rather than a lock.
    std::atomic<bool> isSuggestionsOverlayVisible_{false};
    std::atomic<bool> isPlaceholderModeActive_{false};
    std::atomic<bool> isAIPromptMode_{false};
    std::atomic<bool> lastActionWasSuggestionWithTrailingSpace_{false};
    std::atomic<double> lastKeyPressTime_{distantPast};
    FrontmostApplicationCache frontmost_;
    // Tap thread: the application record the keystrokes handed over last name.
    std::shared_ptr<const Frontmost> handedOverFrontmost_;
    // The typing work handed to the tap queue and not yet taken.
    std::mutex typingWorkLock_;
    bool typingWorkWakeQueued_ = false;
    // The tap queue has stopped looking for typing work: the next piece wakes it.
    bool typingWorkAsleep_ = true;
    int typingWorkIdlePolls_ = 0;
    TypingWorkList typingWork_;
    // Its first member is the flag every key reads.
    SuggestionMuteSet mutedApplications_;

    EventTapManagerDelegate* delegate_ = nullptr;
    std::shared_ptr<EventTapCallGate> gate_ = std::make_shared<EventTapCallGate>();

    mutable std::mutex tapLock_;
    std::shared_ptr<EventTap> eventTap_;
    std::shared_ptr<EventTapRunLoop> tapRunLoop_;
    std::thread tapThread_;
    std::uint64_t tapGeneration_ = 0;
    bool isTapPermanentlyDisabled_ = false;
    double lastTapTimeoutAt_ = distantPast;

    mutable std::mutex typingStateLock_;
    std::vector<std::string> recentWords_;
    std::string currentWordPrefix_;
    std::string slidingBuffer_;

    // Tap queue only: the list being worked through.
    TypingWorkList typingWorkInHand_;

    std::atomic<EventFlags> shortcutModifiers_{KeyEventFlags::control | KeyEventFlags::alternate};
    // Hands the router's wakes of other threads to afterEvent (made once: the
    // key path builds no function object for it).
    const std::function<void(std::function<void()>)> afterKey_ = [this](std::function<void()> block) {
        afterEvent(std::move(block));
    };
    AliveToken alive_;
    std::atomic<bool> stopping_{false};

    // Main thread only.
    Timer sessionDebounceTimer_;
    Timer tapWatchdogTimer_;
    std::vector<NotificationCenter::ObserverToken> observers_;

    // Last member: destroyed first, so the keystroke it is processing finds
    // the rest of the manager in place.
    std::unique_ptr<SerialQueue> processingQueue_;
};

}  // namespace qm
