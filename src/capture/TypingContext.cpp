// The typing context: what the user typed lately in another application, kept
// on the tap queue one keystroke after another and reported to the delegate.
#include "capture/TypingContext.h"

#include <utility>

#include "base/Log.h"
#include "base/Text.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapHops.h"
#include "capture/EventTapManagerDelegate.h"
#include "capture/TypingContextCharacter.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/runtime/MainLoop.h"
#include "store/PrivacyFirewall.h"

namespace qm {

namespace {

std::string withoutLastCharacter(const std::string& text)
{
    const std::size_t count = text::graphemeCount(text);
    return count == 0 ? std::string() : text::truncateGraphemes(text, count - 1);
}

// Keeps the last `limit` user-perceived characters.
void keepLastCharacters(std::string& text, std::size_t limit)
{
    if (text.size() <= limit) {
        return;  // every character takes at least one byte
    }
    const std::size_t count = text::graphemeCount(text);
    if (count > limit) {
        text.erase(0, text::truncateGraphemes(text, count - limit).size());
    }
}

bool isTerminalApplication(const std::string& bundleId)
{
    const std::string lower = text::lowercased(bundleId);
    return lower.find("terminal") != std::string::npos || lower.find("iterm") != std::string::npos;
}

std::string joined(const std::vector<std::string>& words)
{
    std::string result;
    for (const auto& word : words) {
        if (!result.empty()) {
            result += ' ';
        }
        result += word;
    }
    return result;
}

}  // namespace

TypingContext::TypingContext(const EventTapServices& services, EventTapHops& hops)
    : services_(services), hops_(hops), processingQueue_(std::make_unique<SerialQueue>(processingQueueLabel))
{
    // Room for the keys of 5 ms of key repeat many times over, so that
    // handing them over allocates nothing.
    typingWork_.reserve(16);
    typingWorkInHand_.reserve(16);
    processingQueue_->setFeed([this] { return drainTypingWork(); }, [this] { return takeTypingWork(); },
                              std::chrono::duration_cast<std::chrono::microseconds>(typingPollInterval));
}

TypingContext::~TypingContext()
{
    // The keystrokes still queued are dropped; the queue, destroyed next,
    // waits for the one in hand.
    stopping_.store(true);
}

void TypingContext::processKeystroke(std::uint16_t keyCode, const std::optional<std::string>& characters,
                                     const std::string& appBundleId)
{
    const bool typedSomething = characters && !characters->empty();
    std::string buffer = slidingBuffer();
    if (keyCode == KeyCode::deleteKey) {
        buffer = withoutLastCharacter(buffer);
    } else if (keyCode == KeyCode::returnKey) {
        buffer += '\n';
    } else if (typedSomething) {
        buffer += *characters;
    }
    keepLastCharacters(buffer, slidingBufferLimit);
    setSlidingBuffer(buffer);

    if (!services_.privacyFirewall.isSafeToProcess(buffer, appBundleId, std::nullopt)) {
        Log::print("🛡️ Privacy Firewall: Redacting sensitive credential from context buffer!");
        clearContext(std::nullopt, true);
        return;
    }
    restartSessionTimer();
    if (!typedSomething) {
        return;
    }

    switch (keyCode) {
    case KeyCode::space:
        completeWord(recentWordsLimit);
        notifyUpdate();
        return;
    case KeyCode::deleteKey: {
        std::string prefix = currentWordPrefix();
        if (!prefix.empty()) {
            setCurrentWordPrefix(withoutLastCharacter(prefix));
        } else if (std::vector<std::string> words = recentWords(); !words.empty()) {
            setCurrentWordPrefix(std::move(words.back()));
            words.pop_back();
            setRecentWords(std::move(words));
        }
        notifyUpdate();
        return;
    }
    case KeyCode::returnKey:
    case KeyCode::tab:
        if (keyCode == KeyCode::returnKey || !isPlaceholderModeActive()) {
            onTapQueue([this, keyCode, appBundleId] { endLine(keyCode, appBundleId); });
            return;
        }
        break;
    default:
        break;
    }

    const auto character = TypingContextCharacter::first(*characters);
    switch (character->kind()) {
    case TypingContextCharacter::Kind::word:
        setCurrentWordPrefix(currentWordPrefix() + character->text());
        notifyUpdate();
        return;
    case TypingContextCharacter::Kind::punctuation:
        completeWord(recentWordsHardLimit);
        notifyUpdate();
        return;
    case TypingContextCharacter::Kind::whitespace:
    case TypingContextCharacter::Kind::other:
        return;
    }
}

void TypingContext::completeWord(std::size_t limit)
{
    std::string prefix = currentWordPrefix();
    if (prefix.empty()) {
        return;
    }
    std::vector<std::string> words = recentWords();
    words.push_back(std::move(prefix));
    if (words.size() > limit) {
        words.erase(words.begin());  // only the oldest: words kept past a lower limit stay
    }
    setRecentWords(std::move(words));
    setCurrentWordPrefix({});
}

void TypingContext::endLine(std::uint16_t keyCode, const std::string& appBundleId)
{
    if (keyCode == KeyCode::returnKey && isTerminalApplication(appBundleId)) {
        // A command line ended: the words are done with, but a trigger being
        // typed in the shell and the session timer stay as they are.
        setSlidingBuffer({});
        setCurrentWordPrefix({});
        setRecentWords({});
        hops_.callDelegateOnMain([](EventTapManagerDelegate& delegate, EventTapManager& manager) {
            delegate.eventTapManagerDidClearSuggestions(manager);
        });
        return;
    }
    clearContext(appBundleId, true);
}

void TypingContext::dropSuggestionSpace()
{
    // Only a space the buffer holds: an inserted suggestion that never reached
    // the buffer leaves nothing to take back.
    if (std::string buffer = slidingBuffer(); !buffer.empty() && buffer.back() == ' ') {
        buffer.pop_back();
        setSlidingBuffer(std::move(buffer));
    }
}

void TypingContext::notifyUpdate()
{
    std::string context = joined(recentWords());
    std::string prefix = currentWordPrefix();
    std::string buffer = slidingBuffer();
    hops_.callDelegateOnMain(
        [context = std::move(context), prefix = std::move(prefix),
         buffer = std::move(buffer)](EventTapManagerDelegate& delegate, EventTapManager& manager) {
            delegate.eventTapManagerDidUpdateContext(manager, context, prefix, buffer);
        });
}

void TypingContext::restartSessionTimer()
{
    hops_.onMain([this] {
        sessionDebounceTimer_ = Timer::scheduledTimer(services_.mainLoop, sessionTimeout, false, [this] {
            onTapQueue([this] { setSlidingBuffer({}); });
        });
    });
}

void TypingContext::clearContext(const std::optional<std::string>& /*appBundleId*/, bool clearPassiveBuffer)
{
    hops_.onMain([this] { sessionDebounceTimer_.invalidate(); });
    // From the tap callback (secure input, an excluded application, a mute)
    // the tap queue is woken once the key has been answered, as for a keystroke.
    onTapQueue([this] {
        setRecentWords({});
        setCurrentWordPrefix({});
        setSlidingBuffer({});
    });
    if (clearPassiveBuffer) {
        services_.captureRouter.clearPassiveBuffer();
    }
    hops_.callDelegateOnMain([](EventTapManagerDelegate& delegate, EventTapManager& manager) {
        delegate.eventTapManagerDidClearSuggestions(manager);
    });
}

std::optional<std::string> TypingContext::getUnicodeString(const KeyEvent& event)
{
    const std::u16string_view units = event.unicodeString();
    if (units.empty()) {
        return std::nullopt;
    }
    return text::toUtf8(units.substr(0, 16));
}

void TypingContext::onTapQueue(std::function<void()> task)
{
    handToTapQueue({KeyEvent(), nullptr, std::move(task)});
}

void TypingContext::handToTapQueue(TypingWork work)
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

void TypingContext::wakeTapQueueAfterKey()
{
    // Waking the idle tap queue costs more than a key's whole decision, so
    // from the tap callback it happens once the key has been answered.
    hops_.afterEvent([this] { processingQueue_->wakeFeed(); });
}

bool TypingContext::drainTypingWork()
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

SerialQueue::Task TypingContext::takeTypingWork()
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

void TypingContext::doTypingWork(TypingWorkList& work)
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

std::vector<std::string> TypingContext::recentWords() const
{
    std::lock_guard lock(typingStateLock_);
    return recentWords_;
}

void TypingContext::setRecentWords(std::vector<std::string> value)
{
    std::lock_guard lock(typingStateLock_);
    recentWords_ = std::move(value);
}

std::string TypingContext::currentWordPrefix() const
{
    std::lock_guard lock(typingStateLock_);
    return currentWordPrefix_;
}

void TypingContext::setCurrentWordPrefix(std::string value)
{
    std::lock_guard lock(typingStateLock_);
    currentWordPrefix_ = std::move(value);
}

std::string TypingContext::slidingBuffer() const
{
    std::lock_guard lock(typingStateLock_);
    return slidingBuffer_;
}

void TypingContext::setSlidingBuffer(std::string value)
{
    std::lock_guard lock(typingStateLock_);
    slidingBuffer_ = std::move(value);
}

}  // namespace qm
