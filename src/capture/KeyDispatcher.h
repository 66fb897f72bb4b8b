#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/EventTapCallGate.h"
#include "capture/EventTapServices.h"
#include "capture/FrontmostApplicationCache.h"
#include "capture/SuggestionMuteSet.h"
#include "capture/TypingContext.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/keyboard/KeyEventFlags.h"
#include "platform/notifications/NotificationCenter.h"

namespace qm {

class EventTapHops;
class EventTapLifecycle;

// The decision the event tap makes for every key-down: whether the key is the
// capture router's, the suggestion overlay's, the AI prompt's or plain typing
// (handleKeyEvent), with the per-application mute of suggestions. Typing goes
// to the typing context's tap queue; every other effect to the main loop.
//
// Threads: everything here but the shortcut preferences (main thread) and the
// getters (any thread) runs in the tap callback, on the tap's thread. It never
// blocks: the application in front and the privacy firewall's verdict on it
// are worked out again only when either changes (FrontmostApplicationCache),
// a stale firewall cache is refreshed after the key, and every wake of
// another thread waits until the key has been answered
// (EventTapFactory::performAfterEvent). It takes no lock of its own.
class KeyDispatcher {
public:
    using Frontmost = FrontmostApplicationCache::Frontmost;

    // `typingContext` is only kept here: it may still be under construction.
    KeyDispatcher(const EventTapServices& services, EventTapHops& hops, EventTapLifecycle& lifecycle,
                  TypingContext& typingContext);
    KeyDispatcher(const KeyDispatcher&) = delete;
    KeyDispatcher& operator=(const KeyDispatcher&) = delete;

    // Passes this process's own synthetic events untouched, hands key-downs
    // to handleKeyEvent and the tap-disabled events to the lifecycle.
    // `dispatcher` is reached through `gate` only, so a manager being
    // destroyed is never touched.
    static std::optional<KeyEvent> eventTapCallback(EventTapCallGate& gate, KeyDispatcher* dispatcher,
                                                    const KeyEvent& event);
    // The decision for one key-down: true swallows it.
    bool handleKeyEvent(const KeyEvent& event);

    // Main thread: rebuilds shortcutModifiers() from "shortcutHasControl"
    // (true unless it holds a false Boolean), "shortcutHasOption",
    // "shortcutHasShift" and "shortcutHasCommand" (true only when they hold a
    // true Boolean); none true gives Control alone.
    void loadShortcutPreferences();
    // The modifiers (KeyEventFlags bits) that, with a digit 1 to 6, pick a suggestion.
    EventFlags shortcutModifiers() const { return shortcutModifiers_.load(std::memory_order_relaxed); }
    void setShortcutModifiers(EventFlags modifiers);

    // The applications where Control+0 switched suggestions off.
    const SuggestionMuteSet& mutedApplications() const { return mutedApplications_; }

private:
    using KeyFlags = TypingContext::KeyFlags;

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
    // Out of the plain key's way: only the first key in another application
    // hands over its record.
    [[gnu::noinline]] void handOverFrontmost();
    // A stale privacy firewall cache is refreshed once the key has been
    // answered: the refresh wakes the background queue.
    [[gnu::noinline]] void refreshFirewallAfterKey();
    void postSyntheticKey(std::uint16_t keyCode);
    void postOnMain(std::string name, UserInfo userInfo = {});

    const EventTapServices& services_;
    EventTapHops& hops_;
    EventTapLifecycle& lifecycle_;
    TypingContext& typingContext_;

    FrontmostApplicationCache frontmost_;
    // The application record the keystrokes handed over last name; it keeps
    // the record alive until they are done.
    std::shared_ptr<const Frontmost> handedOverFrontmost_;
    // Its first member is the flag every key reads.
    SuggestionMuteSet mutedApplications_;
    std::atomic<EventFlags> shortcutModifiers_{KeyEventFlags::control | KeyEventFlags::alternate};
    // Hands the router's wakes of other threads to the moment after the key
    // (made once: the key path builds no function object for it).
    const std::function<void(std::function<void()>)> afterKey_;
};

}  // namespace qm
