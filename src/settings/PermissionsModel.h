#pragma once

#include <functional>

#include "platform/runtime/AliveToken.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

class PermissionsManager;

// The Privacy & Permissions page: the last known state of the four grants and
// the Grant / Verify actions. Flags change only through refresh(), the actions
// and the Accessibility poll.
//
// The window keeps at most one Accessibility poll, however often Grant is
// pressed; it stops once trust is seen and when the window goes. Answers of the
// system come back through the main loop; a model that is gone is never
// touched. Main thread only.
class PermissionsModel {
public:
    static constexpr double kPollInterval = 1.0;

    PermissionsModel(PermissionsManager& permissions, MainLoop& mainLoop);
    ~PermissionsModel();
    PermissionsModel(const PermissionsModel&) = delete;
    PermissionsModel& operator=(const PermissionsModel&) = delete;

    bool isAccessibilityGranted() const { return accessibility_; }
    bool isRemindersGranted() const { return reminders_; }
    bool isNotificationsGranted() const { return notifications_; }
    bool isCalendarGranted() const { return calendar_; }

    // Reads all four again (when the window comes on screen).
    void updatePermissionStatuses();

    void checkAccessibility();
    void checkReminders();
    void checkNotifications();
    void checkCalendar();

    bool isPollingAccessibility() const { return poll_.isValid() && !poll_.isCancelled(); }
    void stopPolling();

    std::function<void()> onChange;

private:
    void schedulePoll();
    // Wraps a completion so that it sets `flag` on the main thread, if the model still lives.
    std::function<void(bool)> onMain(std::function<void(bool)> apply);
    void set(bool& flag, bool value);

    PermissionsManager& permissions_;
    MainLoop& mainLoop_;
    bool accessibility_ = false;
    bool reminders_ = false;
    bool notifications_ = false;
    bool calendar_ = false;
    ScheduledTask poll_;
    AliveToken alive_;
};

}  // namespace qm
