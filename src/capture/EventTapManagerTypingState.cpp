// The typing state: each read and each write of one field under typingStateLock_
// (the last key press time: one atomic read or write).
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
    std::lock_guard lock(typingStateLock_);
    return isSuggestionsOverlayVisible_;
}

void EventTapManager::setSuggestionsOverlayVisible(bool value)
{
    std::lock_guard lock(typingStateLock_);
    isSuggestionsOverlayVisible_ = value;
}

bool EventTapManager::isPlaceholderModeActive() const
{
    std::lock_guard lock(typingStateLock_);
    return isPlaceholderModeActive_;
}

void EventTapManager::setPlaceholderModeActive(bool value)
{
    std::lock_guard lock(typingStateLock_);
    isPlaceholderModeActive_ = value;
}

bool EventTapManager::isAIPromptMode() const
{
    std::lock_guard lock(typingStateLock_);
    return isAIPromptMode_;
}

void EventTapManager::setAIPromptMode(bool value)
{
    std::lock_guard lock(typingStateLock_);
    isAIPromptMode_ = value;
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
    std::lock_guard lock(typingStateLock_);
    return lastActionWasSuggestionWithTrailingSpace_;
}

void EventTapManager::setLastActionWasSuggestionWithTrailingSpace(bool value)
{
    std::lock_guard lock(typingStateLock_);
    lastActionWasSuggestionWithTrailingSpace_ = value;
}

EventTapManager::KeyFlags EventTapManager::keyFlags() const
{
    std::lock_guard lock(typingStateLock_);
    return {isAIPromptMode_, isSuggestionsOverlayVisible_, isPlaceholderModeActive_,
            lastActionWasSuggestionWithTrailingSpace_};
}

}  // namespace qm
