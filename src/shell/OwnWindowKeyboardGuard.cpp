#include "shell/OwnWindowKeyboardGuard.h"

#include <string>

#include "base/Log.h"
#include "platform/display/ApplicationWindows.h"
#include "platform/display/Window.h"

namespace qm {

OwnWindowKeyboardGuard::OwnWindowKeyboardGuard(MainLoop& mainLoop, NotificationCenter& center,
                                               const ApplicationWindows& windows)
    : mainLoop_(mainLoop), center_(center), windows_(windows)
{
}

OwnWindowKeyboardGuard::~OwnWindowKeyboardGuard()
{
    reconcileTimer_.invalidate();
    for (const auto& [identity, tokens] : observerTokens_) {
        for (const auto& token : tokens) {
            center_.removeObserver(token);
        }
    }
}

bool OwnWindowKeyboardGuard::isOwnEditableWindowKey() const
{
    return currentKeyWindowID_.load() != nullptr;
}

std::size_t OwnWindowKeyboardGuard::registeredCount() const
{
    std::lock_guard lock(lock_);
    return registeredWindows_.size();
}

void OwnWindowKeyboardGuard::registerEditableWindow(const Window& window)
{
    const void* identity = window.identity();
    unregisterEditableWindow(identity);
    const bool isKey = window.isKeyWindow();
    {
        std::lock_guard lock(lock_);
        registeredWindows_.insert(identity);
        if (isKey) {
            currentKeyWindowID_ = identity;
        }
    }
    std::vector<NotificationCenter::ObserverToken> tokens;
    tokens.push_back(center_.addObserver(std::string(Window::didBecomeKeyNotification), identity,
                                         [this, identity](const Notification&) {
                                             std::lock_guard lock(lock_);
                                             currentKeyWindowID_ = identity;
                                         }));
    tokens.push_back(center_.addObserver(std::string(Window::didResignKeyNotification), identity,
                                         [this, identity](const Notification&) {
                                             std::lock_guard lock(lock_);
                                             if (currentKeyWindowID_ == identity) {
                                                 currentKeyWindowID_ = nullptr;
                                             }
                                         }));
    tokens.push_back(center_.addObserver(std::string(Window::willCloseNotification), identity,
                                         [this, identity](const Notification&) {
                                             // Removing observers from inside a post is safe.
                                             unregisterEditableWindow(identity);
                                         }));
    observerTokens_[identity] = std::move(tokens);
}

void OwnWindowKeyboardGuard::unregisterEditableWindow(const Window& window)
{
    unregisterEditableWindow(window.identity());
}

void OwnWindowKeyboardGuard::unregisterEditableWindow(const void* identity)
{
    {
        std::lock_guard lock(lock_);
        registeredWindows_.erase(identity);
        if (currentKeyWindowID_ == identity) {
            currentKeyWindowID_ = nullptr;
        }
    }
    const auto found = observerTokens_.find(identity);
    if (found == observerTokens_.end()) {
        return;
    }
    const std::vector<NotificationCenter::ObserverToken> tokens = std::move(found->second);
    observerTokens_.erase(found);
    for (const auto& token : tokens) {
        center_.removeObserver(token);
    }
}

void OwnWindowKeyboardGuard::startSelfHealing()
{
    if (reconcileTimer_.isValid()) {
        return;
    }
    reconcileTimer_ = Timer::scheduledTimer(mainLoop_, reconcileInterval, true, [this] { reconcile(); });
}

void OwnWindowKeyboardGuard::reconcile()
{
    const void* key = windows_.keyWindow();
    bool healed = false;
    bool wasStuck = false;
    {
        std::lock_guard lock(lock_);
        const void* current = currentKeyWindowID_;
        if (key && registeredWindows_.count(key) > 0) {
            if (current != key) {
                healed = true;
                wasStuck = current != nullptr;
                currentKeyWindowID_ = key;
            }
        } else if (current) {
            healed = true;
            wasStuck = true;
            currentKeyWindowID_ = nullptr;
        }
    }
    if (healed) {
        Log::print(
            std::string("⚠️ OwnWindowKeyboardGuard self-healed a stale key-window state (was stuck: ") +
            (wasStuck ? "true" : "false") + ").");
    }
}

}  // namespace qm
