#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/EventTapHops.h"
#include "capture/EventTapLifecycle.h"
#include "capture/EventTapServices.h"
#include "capture/KeyDispatcher.h"
#include "capture/SuggestionMuteSet.h"
#include "capture/TypingContext.h"
#include "platform/keyboard/EventTap.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/keyboard/KeyEventFlags.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/SerialQueue.h"

namespace qm {

class EventTapManagerDelegate;

// The program's global keyboard listener. It owns and wires three parts:
// - EventTapLifecycle installs a session-level tap for key-downs on a thread
//   of its own and keeps it alive: a tap the system switched off is switched
//   on again, given up after repeated timeouts, and the user is told when it
//   cannot run;
// - KeyDispatcher decides in the tap callback, for every key-down, whether
//   the key is the capture router's, the suggestion overlay's, the AI
//   prompt's or plain typing, and hands the typing to the tap queue;
// - TypingContext keeps, on the tap queue, the typing context that
//   suggestions are built from.
// EventTapHops is how they all reach the main thread, the moment after the
// key and the delegate. Each part's header tells its threads and locks.
//
// One per process, owned by the application delegate, made and destroyed on
// the main thread. Destruction closes the call gate (a tap callback in flight
// is waited for, later ones pass every key untouched), stops the tap, and then
// waits for the keystroke the tap queue is processing: the typing context,
// which owns the queue, is the last member, destroyed first. Delayed
// main-thread blocks check that the manager still lives.
//
// The key path never blocks and wakes no thread: the tap callback sends
// every effect to the main loop or to the tap queue, and any wake waits until
// the key has been answered (EventTapFactory::performAfterEvent). No lock is
// held while another is taken, nor while calling out.
class EventTapManager {
public:
    using Services = EventTapServices;

    static constexpr const char* processingQueueLabel = TypingContext::processingQueueLabel;
    static constexpr const char* tapThreadName = EventTapLifecycle::tapThreadName;

    static constexpr double watchdogInterval = EventTapLifecycle::watchdogInterval;
    static constexpr double watchdogQuietAfterTimeout = EventTapLifecycle::watchdogQuietAfterTimeout;
    static constexpr double timeoutCooldown = EventTapLifecycle::timeoutCooldown;
    static constexpr int timeoutsBeforePermanentDisable = EventTapLifecycle::timeoutsBeforePermanentDisable;
    static constexpr double userInputRecheckDelay = EventTapLifecycle::userInputRecheckDelay;
    static constexpr const char* detailAfterRepeatedTimeouts = EventTapLifecycle::detailAfterRepeatedTimeouts;

    static constexpr std::chrono::milliseconds typingPollInterval = TypingContext::typingPollInterval;
    static constexpr int typingPollsBeforeSleep = TypingContext::typingPollsBeforeSleep;
    static constexpr std::size_t slidingBufferLimit = TypingContext::slidingBufferLimit;
    static constexpr std::size_t recentWordsLimit = TypingContext::recentWordsLimit;
    static constexpr std::size_t recentWordsHardLimit = TypingContext::recentWordsHardLimit;
    static constexpr double sessionTimeout = TypingContext::sessionTimeout;
    static constexpr double distantPast = TypingContext::distantPast;

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
    EventTapManagerDelegate* delegate() const { return hops_.delegate(); }
    void setDelegate(EventTapManagerDelegate* delegate) { hops_.setDelegate(delegate); }

    void loadShortcutPreferences() { dispatcher_.loadShortcutPreferences(); }

    void start() { lifecycle_.start(); }
    // Any thread; safe when nothing runs.
    void stop() { lifecycle_.stop(); }
    void startWatchdogTimer() { lifecycle_.startWatchdogTimer(); }
    void showEventTapFailurePrompt() { lifecycle_.showEventTapFailurePrompt(); }

    // --- The tap's callback ---

    // The decision for one key-down: true swallows it.
    bool handleKeyEvent(const KeyEvent& event) { return dispatcher_.handleKeyEvent(event); }
    void handleTimeout() { lifecycle_.handleTimeout(); }
    void handleUserInputDisable() { lifecycle_.handleUserInputDisable(); }

    // The text a key event types (at most 16 UTF-16 units); nothing when it types none.
    static std::optional<std::string> getUnicodeString(const KeyEvent& event)
    {
        return TypingContext::getUnicodeString(event);
    }

    // --- Typing context ---

    // Tap queue only.
    void processKeystroke(std::uint16_t keyCode, const std::optional<std::string>& characters,
                          const std::string& appBundleId)
    {
        typingContext_.processKeystroke(keyCode, characters, appBundleId);
    }
    void notifyUpdate() { typingContext_.notifyUpdate(); }
    // Any thread; see TypingContext::clearContext.
    void clearContext(const std::optional<std::string>& appBundleId, bool clearPassiveBuffer)
    {
        typingContext_.clearContext(appBundleId, clearPassiveBuffer);
    }

    // --- Typing state: any thread, one read or write each ---

    std::vector<std::string> recentWords() const { return typingContext_.recentWords(); }
    void setRecentWords(std::vector<std::string> words) { typingContext_.setRecentWords(std::move(words)); }
    std::string currentWordPrefix() const { return typingContext_.currentWordPrefix(); }
    void setCurrentWordPrefix(std::string prefix) { typingContext_.setCurrentWordPrefix(std::move(prefix)); }
    std::string slidingBuffer() const { return typingContext_.slidingBuffer(); }
    void setSlidingBuffer(std::string buffer) { typingContext_.setSlidingBuffer(std::move(buffer)); }
    bool isSuggestionsOverlayVisible() const { return typingContext_.isSuggestionsOverlayVisible(); }
    void setSuggestionsOverlayVisible(bool visible) { typingContext_.setSuggestionsOverlayVisible(visible); }
    bool isPlaceholderModeActive() const { return typingContext_.isPlaceholderModeActive(); }
    void setPlaceholderModeActive(bool active) { typingContext_.setPlaceholderModeActive(active); }
    bool isAIPromptMode() const { return typingContext_.isAIPromptMode(); }
    void setAIPromptMode(bool active) { typingContext_.setAIPromptMode(active); }
    // Seconds since 1970 on the injected clock; distantPast before the first key.
    double lastKeyPressTime() const { return typingContext_.lastKeyPressTime(); }
    void setLastKeyPressTime(double time) { typingContext_.setLastKeyPressTime(time); }
    bool lastActionWasSuggestionWithTrailingSpace() const
    {
        return typingContext_.lastActionWasSuggestionWithTrailingSpace();
    }
    void setLastActionWasSuggestionWithTrailingSpace(bool value)
    {
        typingContext_.setLastActionWasSuggestionWithTrailingSpace(value);
    }

    // The modifiers (KeyEventFlags bits) that, with a digit 1 to 6, pick a suggestion.
    EventFlags shortcutModifiers() const { return dispatcher_.shortcutModifiers(); }
    void setShortcutModifiers(EventFlags modifiers) { dispatcher_.setShortcutModifiers(modifiers); }

    // --- State of the tap ---

    // The installed tap, if any (any thread).
    std::shared_ptr<EventTap> eventTap() const { return lifecycle_.eventTap(); }
    int consecutiveTimeouts() const { return lifecycle_.consecutiveTimeouts(); }
    bool isTapPermanentlyDisabled() const { return lifecycle_.isTapPermanentlyDisabled(); }
    // The applications where Control+0 switched suggestions off.
    const SuggestionMuteSet& mutedApplications() const { return dispatcher_.mutedApplications(); }
    SerialQueue& processingQueue() { return typingContext_.processingQueue(); }

private:
    void observeAIPromptNotifications();

    Services services_;
    EventTapHops hops_;
    EventTapLifecycle lifecycle_;
    // Given the typing context before it is built: it only keeps the reference.
    KeyDispatcher dispatcher_;

    // Main thread only.
    std::vector<NotificationCenter::ObserverToken> observers_;

    // Last member: destroyed first, so the keystroke its tap queue is
    // processing finds the rest of the manager in place.
    TypingContext typingContext_;
};

}  // namespace qm
