#pragma once

#include <exception>
#include <functional>
#include <memory>

namespace qm {

class CaptureHistoryStore;
class CaptureOverlayPanel;
class ConcurrentQueue;
class Mouse;
class Screens;

// What the capture router needs to run capture mode and commit captures, on
// top of what the passive trigger detection needs. Every member may be left
// out; the composition root gives all of them. Whatever is given must outlive
// the router and every task it started.
struct CaptureRouterModeServices {
    // Answers once, on any thread: nullptr when alerts may be shown, else the error to report.
    using NotificationAuthorizationCheck = std::function<void(std::function<void(std::exception_ptr)>)>;
    // Answers once, on any thread: true when calendar access is granted.
    using CalendarAccessCheck = std::function<void(std::function<void(bool)>)>;

    // The caret rectangle's flip height and screen test, and its last fallback.
    // Without them: no screen (a flip height of 1080) and the pointer at the origin.
    const Screens* screens = nullptr;
    const Mouse* mouse = nullptr;

    // Makes the overlay on the first capture. Without it capture mode keeps its
    // state and shows nothing (for components that never show the overlay).
    std::function<std::shared_ptr<CaptureOverlayPanel>()> makeOverlayPanel;

    // Where picker loads, sends and history records run. Without it: ConcurrentQueue::shared().
    ConcurrentQueue* backgroundQueue = nullptr;
    // Without it: CaptureHistoryStore::shared().
    CaptureHistoryStore* history = nullptr;

    // Checked before a //timer or //alarm send (the notification scheduler's
    // ensureAuthorization). Without it there is no check before the send; the
    // scheduling targets check again themselves.
    NotificationAuthorizationCheck ensureNotificationAuthorization;
    // Checked before a //calendar send. Without it: PermissionsManager::requestCalendarAccess.
    CalendarAccessCheck requestCalendarAccess;
};

}  // namespace qm
