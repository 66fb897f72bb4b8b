#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture/EventTapServices.h"
#include "capture/FrontmostApplicationCache.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/runtime/Timer.h"

namespace qm {

class EventTapHops;

// What the user typed lately in another application, kept on the tap queue
// one keystroke after another and reported to the delegate: the recent words,
// the word being typed, the sliding buffer and its session timer, and the
// typing state flags every key-down decision reads.
//
// It also takes the typing work the key dispatch hands over: keystrokes, and
// the tasks that clear the context, go into one list in the order they are
// handed over (the list keeps its room, so this allocates nothing); the tap
// queue takes the list as a whole (SerialQueue::setFeed): every
// typingPollInterval while typing goes on, so keys at a person's pace wake no
// thread; a task queued on the tap queue takes the work handed over before
// it along, in front of itself. Only once the queue has gone to sleep after a
// pause is it woken, and never before the key in hand has been answered
// (EventTapFactory::performAfterEvent), so waking it never delays a key.
//
// Threads: the tap queue "com.quillmarker.app.tapQueue" runs
// processKeystroke and notifyUpdate; the tap callback hands work over; the
// main thread runs the session timer and every delegate call. The typing
// state's getters and setters may be called on any thread.
// Locks: typingStateLock_ guards the words and the buffer, one read or write
// at a time (the flags and the time of the last key press are atomics: every
// key reads them); typingWorkLock_ the typing work not yet taken by the tap
// queue. Neither is held while the other is taken, nor while calling out.
//
// Destruction drops the keystrokes still queued and waits for the one the tap
// queue is processing; the queue is the last member, destroyed first, so that
// keystroke finds the rest in place.
class TypingContext {
public:
    using Frontmost = FrontmostApplicationCache::Frontmost;

    static constexpr const char* processingQueueLabel = "com.quillmarker.app.tapQueue";

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

    TypingContext(const EventTapServices& services, EventTapHops& hops);
    ~TypingContext();
    TypingContext(const TypingContext&) = delete;
    TypingContext& operator=(const TypingContext&) = delete;

    // --- Tap queue only ---

    void processKeystroke(std::uint16_t keyCode, const std::optional<std::string>& characters,
                          const std::string& appBundleId);
    void notifyUpdate();
    // Our Delete took the suggestion's space out of the field before the
    // punctuation: the sliding buffer drops it too.
    void dropSuggestionSpace();

    // --- Any thread ---

    // Forgets what was typed: the recent words, the word prefix and the
    // sliding buffer (queued behind keystrokes already queued), with
    // `clearPassiveBuffer` also the capture router's passive trigger buffer
    // (at once), and tells the delegate to clear its suggestions.
    // `appBundleId` names the application concerned (nothing: the frontmost);
    // the clearing is the same for every application.
    void clearContext(const std::optional<std::string>& appBundleId, bool clearPassiveBuffer);

    // Hands a keystroke typed with `frontmost` in front to the tap queue,
    // behind the work handed over before it. `frontmost` must stay alive
    // until the keystroke is done. From the tap callback it allocates nothing.
    void handOverKeystroke(const KeyEvent& event, const Frontmost& frontmost)
    {
        handToTapQueue({event, &frontmost, {}});
    }
    // Runs `task` on the tap queue, after the typing work handed over before
    // it, unless the context is being destroyed.
    void onTapQueue(std::function<void()> task);

    // --- Typing state: one read or write each ---

    std::vector<std::string> recentWords() const;
    void setRecentWords(std::vector<std::string> words);
    std::string currentWordPrefix() const;
    void setCurrentWordPrefix(std::string prefix);
    std::string slidingBuffer() const;
    void setSlidingBuffer(std::string buffer);
    bool isSuggestionsOverlayVisible() const { return isSuggestionsOverlayVisible_.load(); }
    void setSuggestionsOverlayVisible(bool visible) { isSuggestionsOverlayVisible_.store(visible); }
    bool isPlaceholderModeActive() const { return isPlaceholderModeActive_.load(); }
    void setPlaceholderModeActive(bool active) { isPlaceholderModeActive_.store(active); }
    bool isAIPromptMode() const { return isAIPromptMode_.load(); }
    void setAIPromptMode(bool active) { isAIPromptMode_.store(active); }
    // Seconds since 1970 on the injected clock; distantPast before the first key.
    double lastKeyPressTime() const { return lastKeyPressTime_.load(std::memory_order_relaxed); }
    void setLastKeyPressTime(double time) { lastKeyPressTime_.store(time, std::memory_order_relaxed); }
    bool lastActionWasSuggestionWithTrailingSpace() const
    {
        return lastActionWasSuggestionWithTrailingSpace_.load();
    }
    void setLastActionWasSuggestionWithTrailingSpace(bool value)
    {
        lastActionWasSuggestionWithTrailingSpace_.store(value);
    }

    // The typing state a key-down decision looks at, in one look.
    struct KeyFlags {
        bool aiPromptMode = false;
        bool overlayVisible = false;
        bool placeholderMode = false;
        bool trailingSpace = false;

        bool any() const { return aiPromptMode || overlayVisible || placeholderMode || trailingSpace; }
    };
    KeyFlags keyFlags() const
    {
        return {isAIPromptMode_.load(), isSuggestionsOverlayVisible_.load(), isPlaceholderModeActive_.load(),
                lastActionWasSuggestionWithTrailingSpace_.load()};
    }

    SerialQueue& processingQueue() { return *processingQueue_; }

    // The text a key event types (at most 16 UTF-16 units); nothing when it types none.
    static std::optional<std::string> getUnicodeString(const KeyEvent& event);

private:
    // One piece of typing work: a keystroke typed with `frontmost` in front,
    // or (`task` set) a task. Handing one over copies no string.
    struct TypingWork {
        KeyEvent event;
        const Frontmost* frontmost = nullptr;
        std::function<void()> task;
    };
    // The typing work lists keep their room when they are swapped.
    using TypingWorkList = std::vector<TypingWork>;

    // Adds `work` to the list, and wakes the tap queue when it sleeps and no
    // earlier wake is still to take the list, once the key in hand (if any)
    // has been answered.
    void handToTapQueue(TypingWork work);
    // Out of the plain key's way: only the first key after a pause wakes the queue.
    [[gnu::noinline]] void wakeTapQueueAfterKey();
    // Tap queue: does the work handed over so far, in order, until none is
    // left. False once typing has paused long enough for the queue to sleep.
    bool drainTypingWork();
    // The work handed over so far, as one task for the tap queue to run
    // before a task queued now (nothing when none is waiting).
    SerialQueue::Task takeTypingWork();
    void doTypingWork(TypingWorkList& work);

    // Moves the word being typed (if any) to the end of the recent words and
    // drops the oldest one when they are then more than `limit`.
    void completeWord(std::size_t limit);
    void restartSessionTimer();
    void endLine(std::uint16_t keyCode, const std::string& appBundleId);

    const EventTapServices& services_;
    EventTapHops& hops_;

    // What every key reads or writes, side by side: the typing state's flags
    // and the time of the last key press (atomics rather than a lock), and the
    // hand-over of its keystroke.
    std::atomic<bool> isSuggestionsOverlayVisible_{false};
    std::atomic<bool> isPlaceholderModeActive_{false};
    std::atomic<bool> isAIPromptMode_{false};
    std::atomic<bool> lastActionWasSuggestionWithTrailingSpace_{false};
    std::atomic<double> lastKeyPressTime_{distantPast};
    // The typing work handed to the tap queue and not yet taken.
    std::mutex typingWorkLock_;
    bool typingWorkWakeQueued_ = false;
    // The tap queue has stopped looking for typing work: the next piece wakes it.
    bool typingWorkAsleep_ = true;
    int typingWorkIdlePolls_ = 0;
    TypingWorkList typingWork_;

    mutable std::mutex typingStateLock_;
    std::vector<std::string> recentWords_;
    std::string currentWordPrefix_;
    std::string slidingBuffer_;

    // Tap queue only: the list being worked through.
    TypingWorkList typingWorkInHand_;
    std::atomic<bool> stopping_{false};

    // Main thread only.
    Timer sessionDebounceTimer_;

    // Last member: destroyed first, so the keystroke it is processing finds
    // the rest of the context (and of the manager) in place.
    std::unique_ptr<SerialQueue> processingQueue_;
};

}  // namespace qm
