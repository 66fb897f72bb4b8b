#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/Timer.h"

namespace qm {

class ApplicationWindows;
class MainLoop;
class Window;

// Keeps one fact for the event tap: whether one of this program's own
// editable windows (the capture overlay, the settings and onboarding windows)
// is the key window right now. Keys then reach that window untouched.
//
// Windows register when they are made and are unregistered by their own
// will-close notification; their did-become-key and did-resign-key
// notifications keep the fact current, and a timer corrects it every 4 s in
// case a notification was missed. Windows are known by identity only: the
// guard keeps none of them alive.
//
// Threads: isOwnEditableWindowKey() from any thread (the tap asks for every
// key-down, without a lock); everything else on the main thread. One lock
// guards the key window's changes and the registered set; nothing else is
// done while it is held.
class OwnWindowKeyboardGuard {
public:
    static constexpr double reconcileInterval = 4.0;

    // Every reference must outlive the guard. `center` is the one the windows
    // post their notifications on.
    OwnWindowKeyboardGuard(MainLoop& mainLoop, NotificationCenter& center, const ApplicationWindows& windows);
    ~OwnWindowKeyboardGuard();
    OwnWindowKeyboardGuard(const OwnWindowKeyboardGuard&) = delete;
    OwnWindowKeyboardGuard& operator=(const OwnWindowKeyboardGuard&) = delete;

    bool isOwnEditableWindowKey() const;

    // Registering twice leaves one registration. A window that is key at this
    // moment counts at once.
    void registerEditableWindow(const Window& window);
    // A window never registered changes nothing.
    void unregisterEditableWindow(const Window& window);
    void unregisterEditableWindow(const void* identity);

    // Starts the 4 s reconciliation, once; later calls change nothing.
    void startSelfHealing();

    // One reconciliation tick (what the timer runs).
    void reconcile();

    std::size_t registeredCount() const;

private:
    MainLoop& mainLoop_;
    NotificationCenter& center_;
    const ApplicationWindows& windows_;

    mutable std::mutex lock_;
    // Written under lock_; read without it by isOwnEditableWindowKey().
    std::atomic<const void*> currentKeyWindowID_{nullptr};
    std::set<const void*> registeredWindows_;

    // Main thread only.
    std::map<const void*, std::vector<NotificationCenter::ObserverToken>> observerTokens_;
    Timer reconcileTimer_;
};

}  // namespace qm
