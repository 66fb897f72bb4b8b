// The typing context: what the user typed lately in another application, kept
// on the tap queue one keystroke after another and reported to the delegate.
#include <fmt/format.h>

#include "base/Log.h"
#include "base/Text.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
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

void EventTapManager::processKeystroke(std::uint16_t keyCode, const std::optional<std::string>& characters,
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
            onProcessingQueue([this, keyCode, appBundleId] { endLine(keyCode, appBundleId); });
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

void EventTapManager::completeWord(std::size_t limit)
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

void EventTapManager::endLine(std::uint16_t keyCode, const std::string& appBundleId)
{
    if (keyCode == KeyCode::returnKey && isTerminalApplication(appBundleId)) {
        // A command line ended: the words are done with, but a trigger being
        // typed in the shell and the session timer stay as they are.
        setSlidingBuffer({});
        setCurrentWordPrefix({});
        setRecentWords({});
        callDelegateOnMain([](EventTapManagerDelegate& delegate, EventTapManager& manager) {
            delegate.eventTapManagerDidClearSuggestions(manager);
        });
        return;
    }
    clearContext(appBundleId, true);
}

void EventTapManager::dropSuggestionSpace()
{
    // Only a space the buffer holds: an inserted suggestion that never reached
    // the buffer leaves nothing to take back.
    if (std::string buffer = slidingBuffer(); !buffer.empty() && buffer.back() == ' ') {
        buffer.pop_back();
        setSlidingBuffer(std::move(buffer));
    }
}

void EventTapManager::notifyUpdate()
{
    std::string context = joined(recentWords());
    std::string prefix = currentWordPrefix();
    std::string buffer = slidingBuffer();
    callDelegateOnMain([context = std::move(context), prefix = std::move(prefix), buffer = std::move(buffer)](
                           EventTapManagerDelegate& delegate, EventTapManager& manager) {
        delegate.eventTapManagerDidUpdateContext(manager, context, prefix, buffer);
    });
}

void EventTapManager::restartSessionTimer()
{
    onMain([this] {
        sessionDebounceTimer_ = Timer::scheduledTimer(services_.mainLoop, sessionTimeout, false, [this] {
            onProcessingQueue([this] { setSlidingBuffer({}); });
        });
    });
}

void EventTapManager::clearContext(const std::optional<std::string>& /*appBundleId*/, bool clearPassiveBuffer)
{
    onMain([this] { sessionDebounceTimer_.invalidate(); });
    // From the tap callback (secure input, an excluded application, a mute)
    // the tap queue is woken once the key has been answered, as for a keystroke.
    onProcessingQueue([this] {
        setRecentWords({});
        setCurrentWordPrefix({});
        setSlidingBuffer({});
    });
    if (clearPassiveBuffer) {
        services_.captureRouter.clearPassiveBuffer();
    }
    callDelegateOnMain([](EventTapManagerDelegate& delegate, EventTapManager& manager) {
        delegate.eventTapManagerDidClearSuggestions(manager);
    });
}

}  // namespace qm
