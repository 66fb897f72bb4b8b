#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/AliveToken.h"
#include "platform/runtime/MainLoop.h"
#include "targets/PendingScheduledCapture.h"
#include "targets/TargetsNotifications.h"

namespace qm {

class Clock;
class NotificationCenter;
class UserNotificationCenter;
struct NotificationRequest;

// The Scheduled page: the pending //timer and //alarm notifications, earliest
// first, reloaded every second while the page is current, and Cancel.
//
// Reloads may overlap (timer ticks, Refresh, the reload after a cancel); only
// the newest one started sets the list, so an older, slower answer never puts
// back a row that a later one already dropped. Main thread only; answers of
// the notification centre come back through the main loop.
class ScheduledCapturesModel {
public:
    static constexpr double kRefreshInterval = 1.0;
    static constexpr const char* scheduledCapturesChanged = TargetsNotifications::scheduledCapturesChanged;

    ScheduledCapturesModel(UserNotificationCenter& userNotifications, NotificationCenter& notificationCenter,
                           MainLoop& mainLoop, const Clock& clock);
    ~ScheduledCapturesModel();
    ScheduledCapturesModel(const ScheduledCapturesModel&) = delete;
    ScheduledCapturesModel& operator=(const ScheduledCapturesModel&) = delete;

    const std::vector<PendingScheduledCapture>& pendingCaptures() const { return pending_; }

    // The rows of the timer and alarm categories among `requests`, sorted by
    // fire date (none: last).
    static std::vector<PendingScheduledCapture>
    pendingCaptures(const std::vector<NotificationRequest>& requests, double now);

    void refreshPendingCaptures();
    // Removes the pending request, announces "ScheduledCapturesChanged", then reloads.
    void cancelPendingCapture(const std::string& id);

    // The 1-second refresh timer: (re)started on entering the page, stopped on
    // leaving it and when the window goes.
    void startRefreshTimer();
    void stopRefreshTimer();
    // The window went: the timer stops and answers still on their way are dropped.
    void stop()
    {
        stopRefreshTimer();
        ++latestReload_;
    }
    bool isRefreshTimerRunning() const { return refreshTimer_.isValid() && !refreshTimer_.isCancelled(); }

    // "3 pending"; empty while nothing is pending.
    std::string pendingCountText() const;
    // "Fires in 1:59" while the fire date lies ahead; empty otherwise.
    std::string countdownText(const PendingScheduledCapture& capture) const;
    static std::string fireTimeText(double fireDate);

    std::function<void()> onChange;

private:
    void scheduleTick();

    UserNotificationCenter& userNotifications_;
    NotificationCenter& notificationCenter_;
    MainLoop& mainLoop_;
    const Clock& clock_;
    std::vector<PendingScheduledCapture> pending_;
    std::uint64_t latestReload_ = 0;
    ScheduledTask refreshTimer_;
    AliveToken alive_;
};

}  // namespace qm
