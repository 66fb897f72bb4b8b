#pragma once

#include <functional>

namespace qm {

class AccessibilityTrust;
class Workspace;

// The one place that asks the system about the four grants the program needs:
// Accessibility (keyboard and other applications' text fields), Reminders and
// Calendars (their capture targets) and Notifications (timers and alarms). It
// checks each grant, requests it where the system allows a request, and opens
// the matching pane of System Settings where the user must grant it by hand.
//
// Nothing is cached: every check asks the system afresh. The synchronous
// checks and the openers belong on the main thread. Each asynchronous
// operation calls its completion exactly once, on the thread where the system
// answered (the main thread on the stand-in platform), and never reports an
// error: a refused or failed request is false.
//
// Reminders and calendars go through the installed EventStore factory,
// notifications through UserNotificationCenter::current(); the Accessibility
// trust and the workspace are wired with the setters below.
class PermissionsManager {
public:
    using Completion = std::function<void(bool)>;

    // Accessibility's trusted check; never prompts.
    static bool isAccessibilityTrusted();
    // The trusted check with the prompt option: with `prompt` true and the
    // process not yet trusted, the system shows its own prompt. The trust at
    // the moment of the call.
    static bool requestAccessibility(bool prompt);

    static void openAccessibilitySettings();
    static void openRemindersSettings();
    static void openCalendarSettings();
    // The Notifications pane, without an anchor.
    static void openNotificationSettings();

    // Full access to reminders only; write-only access does not count.
    static bool isRemindersAuthorized();
    // Asks for full access to reminders (access to reminders before macOS 14).
    static void requestRemindersAccess(Completion completion);

    // From macOS 14 on, full or write-only access to events; before, authorized.
    static bool isCalendarAuthorized();
    // Asks for full access to events (access to events before macOS 14).
    static void requestCalendarAccess(Completion completion);

    // Authorized, provisional or ephemeral, with banners/alerts not turned off.
    static void isNotificationsAuthorized(Completion completion);
    // Asks for alerts, sounds and badges; when granted, true only if
    // banners/alerts are not turned off.
    static void requestNotificationsAccess(Completion completion);

    // Wiring by the composition root before first use; the callers keep the
    // objects alive. Without them the operations that need them throw
    // std::logic_error.
    static void setAccessibilityTrust(AccessibilityTrust* trust);
    static void setWorkspace(Workspace* workspace);

    PermissionsManager() = delete;
};

}  // namespace qm
