// The typing state: each read and each write of one field under typingStateLock_,
// or of one atomic (the flags and the last key press time).
#include "capture/EventTapManager.h"

namespace qm {

std::vector<std::string> EventTapManager::recentWords() const
{
    std::lock_guard lock(typingStateLock_);
    return recentWords_;
}

void EventTapManager::setRecentWords(std::vector<std::string> value)
{
    std::lock_guard lock(typingStateLock_);
    recentWords_ = std::move(value);
}

std::string EventTapManager::currentWordPrefix() const
{
    std::lock_guard lock(typingStateLock_);
    return currentWordPrefix_;
}

void EventTapManager::setCurrentWordPrefix(std::string value)
{
    std::lock_guard lock(typingStateLock_);
    currentWordPrefix_ = std::move(value);
}

std::string EventTapManager::slidingBuffer() const
{
    std::lock_guard lock(typingStateLock_);
    return slidingBuffer_;
}

void EventTapManager::setSlidingBuffer(std::string value)
{
    std::lock_guard lock(typingStateLock_);
    slidingBuffer_ = std::move(value);
}

bool EventTapManager::isSuggestionsOverlayVisible() const
{
    return isSuggestionsOverlayVisible_.load();
}

void EventTapManager::setSuggestionsOverlayVisible(bool value)
{
    isSuggestionsOverlayVisible_.store(value);
}

bool EventTapManager::isPlaceholderModeActive() const
{
    return isPlaceholderModeActive_.load();
}

void EventTapManager::setPlaceholderModeActive(bool value)
{
    isPlaceholderModeActive_.store(value);
}

bool EventTapManager::isAIPromptMode() const
{
    return isAIPromptMode_.load();
}

void EventTapManager::setAIPromptMode(bool value)
{
    isAIPromptMode_.store(value);
}

double EventTapManager::lastKeyPressTime() const
{
    return lastKeyPressTime_.load(std::memory_order_relaxed);
}

void EventTapManager::setLastKeyPressTime(double value)
{
    lastKeyPressTime_.store(value, std::memory_order_relaxed);
}

bool EventTapManager::lastActionWasSuggestionWithTrailingSpace() const
{
    return lastActionWasSuggestionWithTrailingSpace_.load();
}

void EventTapManager::setLastActionWasSuggestionWithTrailingSpace(bool value)
{
    lastActionWasSuggestionWithTrailingSpace_.store(value);
}

EventTapManager::KeyFlags EventTapManager::keyFlags() const
{
    return {isAIPromptMode_.load(), isSuggestionsOverlayVisible_.load(), isPlaceholderModeActive_.load(),
            lastActionWasSuggestionWithTrailingSpace_.load()};
}

}  // namespace qm
