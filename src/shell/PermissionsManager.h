#pragma once

#include <functional>

#include "platform/eventstore/EventStore.h"

namespace qm {

class AccessibilityTrust;
struct SystemSettingsLink;
class UserNotificationCenter;
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
// Reminders and calendars go through a store made for each check or request.
class PermissionsManager {
public:
    using Completion = std::function<void(bool)>;

    // Every reference must outlive the manager; `eventStores` makes a store per
    // check or request.
    PermissionsManager(AccessibilityTrust& accessibilityTrust, Workspace& workspace,
                       UserNotificationCenter& userNotificationCenter, EventStore::Factory eventStores);
    PermissionsManager(const PermissionsManager&) = delete;
    PermissionsManager& operator=(const PermissionsManager&) = delete;

    // Accessibility's trusted check; never prompts.
    bool isAccessibilityTrusted();
    // The trusted check with the prompt option: with `prompt` true and the
    // process not yet trusted, the system shows its own prompt. The trust at
    // the moment of the call.
    bool requestAccessibility(bool prompt);

    void openAccessibilitySettings();
    void openRemindersSettings();
    void openCalendarSettings();
    // The Notifications pane, without an anchor.
    void openNotificationSettings();

    // Full access to reminders only; write-only access does not count.
    bool isRemindersAuthorized();
    // Asks for full access to reminders (access to reminders before macOS 14).
    void requestRemindersAccess(Completion completion);

    // From macOS 14 on, full or write-only access to events; before, authorized.
    bool isCalendarAuthorized();
    // Asks for full access to events (access to events before macOS 14).
    void requestCalendarAccess(Completion completion);

    // Authorized, provisional or ephemeral, with banners/alerts not turned off.
    void isNotificationsAuthorized(Completion completion);
    // Asks for alerts, sounds and badges; when granted, true only if
    // banners/alerts are not turned off.
    void requestNotificationsAccess(Completion completion);

private:
    void openSettings(const SystemSettingsLink& link) const;
    void requestEventStoreAccess(EventStoreEntityType type, Completion completion) const;

    AccessibilityTrust& accessibilityTrust_;
    Workspace& workspace_;
    UserNotificationCenter& userNotificationCenter_;
    const EventStore::Factory eventStores_;
};

}  // namespace qm
