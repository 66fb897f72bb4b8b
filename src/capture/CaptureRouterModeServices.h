#pragma once

#include <exception>
#include <functional>
#include <memory>

namespace qm {

class CaptureHistoryStore;
class CaptureOverlayPanel;
class ConcurrentQueue;
class FallbackCaptureLogger;
class Mouse;
class Screens;

// What the capture router needs to run capture mode and commit captures, on
// top of what the passive trigger detection needs. The composition root gives
// all of it; everything given must outlive the router and every task it
// started.
struct CaptureRouterModeServices {
    // Answers once, on any thread: nullptr when alerts may be shown, else the error to report.
    using NotificationAuthorizationCheck = std::function<void(std::function<void(std::exception_ptr)>)>;
    // Answers once, on any thread: true when calendar access is granted.
    using CalendarAccessCheck = std::function<void(std::function<void(bool)>)>;
    using OverlayPanelFactory = std::function<std::shared_ptr<CaptureOverlayPanel>()>;

    // The caret rectangle's flip height and screen test, and its last fallback.
    const Screens& screens;
    const Mouse& mouse;
    // Where picker loads, sends and history records run.
    ConcurrentQueue& backgroundQueue;
    // Every attempt is recorded here.
    CaptureHistoryStore& history;
    // The text of every failed send is kept here.
    FallbackCaptureLogger& recoveryLog;
    // Checked before a //calendar send (the permissions manager's request). Required.
    CalendarAccessCheck requestCalendarAccess;
    // Checked before a //timer or //alarm send (the notification scheduler's
    // ensureAuthorization). Empty: no check before the send; the scheduling
    // targets check again themselves.
    NotificationAuthorizationCheck ensureNotificationAuthorization;
    // Makes the overlay on the first capture. Empty: capture mode keeps its
    // state and shows nothing (for components that never show the overlay).
    OverlayPanelFactory makeOverlayPanel;
};

}  // namespace qm
