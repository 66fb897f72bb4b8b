#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/notifications/NotificationRequest.h"
#include "platform/runtime/AliveToken.h"
#include "targets/NotificationSchedulerError.h"
#include "targets/PendingScheduledCapture.h"
#include "targets/ScheduledNotificationResult.h"

namespace qm {

class Clock;
class MainLoop;
class NotificationCenter;
class TimerCompletionFallback;
class UserNotificationCenter;

// Turns a //timer length or an //alarm time into a one-shot local
// notification, checks that the notification centre really holds it, and arms
// the in-process HUD fallback. It also registers the notification categories,
// makes sure notifications are allowed before a timer or alarm is committed,
// lists the pending timers and alarms and cancels one.
//
// It keeps no state of its own: pending requests belong to the notification
// centre, which keeps them across restarts. Every change posts
// "ScheduledCapturesChanged".
//
// Call it on the main thread; every completion is called once, on the main
// thread, and never after the scheduler is gone.
class NotificationScheduler {
public:
    // Nothing when it went well, else the error for the user.
    using Completion = std::function<void(std::exception_ptr error)>;
    using ScheduleCompletion =
        std::function<void(std::optional<ScheduledNotificationResult> result, std::exception_ptr error)>;

    static constexpr double kMinimumLeadTime = 60;

    // The references must outlive the scheduler. `activateApplication` brings
    // the program to the front before the permission prompt.
    NotificationScheduler(UserNotificationCenter& center, MainLoop& mainLoop, const Clock& clock,
                          NotificationCenter& notificationCenter, TimerCompletionFallback& fallback,
                          std::function<void()> activateApplication);
    NotificationScheduler(const NotificationScheduler&) = delete;
    NotificationScheduler& operator=(const NotificationScheduler&) = delete;

    // A new request identifier: a random UUID in upper-case text.
    static std::string newIdentifier();

    // Installs the whole category set: timer, alarm, and the update category
    // with its "Restart to Update" action.
    void configureCategories();

    // Passes when notifications are authorized (or provisional, ephemeral)
    // with alerts not turned off; asks the user once when they never decided.
    // Fails with NotificationSchedulerError, or the centre's own error when
    // the request itself failed.
    void ensureAuthorization(Completion completion);

    // A timer of max(`interval`, 60) seconds from now.
    void scheduleTimer(double interval, std::optional<std::string> label, std::string identifier,
                       ScheduleCompletion completion);
    // An alarm at `at`, at least 60 seconds ahead, moved up to the next whole minute.
    void scheduleAlarm(double at, std::string title, std::string identifier, ScheduleCompletion completion);

    // The pending timers and alarms, soonest first; those without a fire date last.
    void listPendingCaptures(std::function<void(std::vector<PendingScheduledCapture>)> completion);
    // Drops the pending request and its fallback; an unknown identifier is no error.
    void cancelPendingCapture(const std::string& identifier);

private:
    // After a granted prompt: only the alert setting can still stop it.
    void checkAlertSetting(Completion completion);
    void addAndVerify(NotificationRequest request, Completion completion);
    void finishScheduling(const NotificationRequest& request, double fireDate, ScheduleCompletion completion);

    UserNotificationCenter& center_;
    MainLoop& mainLoop_;
    const Clock& clock_;
    NotificationCenter& notificationCenter_;
    TimerCompletionFallback& fallback_;
    std::function<void()> activateApplication_;
    AliveToken alive_;
};

}  // namespace qm
