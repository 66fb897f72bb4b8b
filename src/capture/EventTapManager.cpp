#include "capture/EventTapManager.h"

#include <utility>

#include "capture/CaptureNotifications.h"

namespace qm {

EventTapManager::EventTapManager(Services services)
    : services_(std::move(services)), hops_(services_.tapFactory, services_.mainLoop, *this),
      lifecycle_(services_, hops_,
                 [gate = hops_.gate(), dispatcher = &dispatcher_](const KeyEvent& event) {
                     return KeyDispatcher::eventTapCallback(*gate, dispatcher, event);
                 }),
      dispatcher_(services_, hops_, lifecycle_, typingContext_), typingContext_(services_, hops_)
{
    loadShortcutPreferences();
    observeAIPromptNotifications();
}

EventTapManager::~EventTapManager()
{
    hops_.gate()->close();
    for (const auto& token : observers_) {
        services_.notificationCenter.removeObserver(token);
    }
    stop();
}

void EventTapManager::observeAIPromptNotifications()
{
    const auto observe = [this](std::string name, bool promptMode) {
        // Any thread may post these names, so the observer goes through the gate.
        observers_.push_back(services_.notificationCenter.addObserver(
            std::move(name), nullptr, [this, gate = hops_.gate(), promptMode](const Notification&) {
                if (const EventTapCallGate::Pass pass(*gate); pass) {
                    setAIPromptMode(promptMode);
                }
            }));
    };
    observe(CaptureNotifications::triggerAIQuickActions, true);
    observe(CaptureNotifications::cancelAIPrompt, false);
    observe(CaptureNotifications::commitAIPrompt, false);
}

}  // namespace qm
