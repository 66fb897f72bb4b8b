#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/AliveToken.h"
#include "platform/runtime/MainLoop.h"
#include "targets/PendingScheduledCapture.h"

namespace qm {

class Clock;
class NotificationScheduler;

// The Scheduled page: the pending //timer and //alarm notifications, earliest
// first, reloaded every second while the page is current, and Cancel. The
// rows and the cancelling are the scheduler's own, so the page never lists
// or drops a capture differently from the menu-bar countdown.
//
// Reloads may overlap (timer ticks, Refresh, the reload after a cancel); only
// the newest one started sets the list, so an older, slower answer never puts
// back a row that a later one already dropped. Main thread only.
class ScheduledCapturesModel {
public:
    static constexpr double kRefreshInterval = 1.0;

    ScheduledCapturesModel(NotificationScheduler& scheduler, MainLoop& mainLoop, const Clock& clock);
    ~ScheduledCapturesModel();
    ScheduledCapturesModel(const ScheduledCapturesModel&) = delete;
    ScheduledCapturesModel& operator=(const ScheduledCapturesModel&) = delete;

    const std::vector<PendingScheduledCapture>& pendingCaptures() const { return pending_; }

    void refreshPendingCaptures();
    // Cancels the capture through the scheduler (request, HUD fallback and the
    // announcement), then reloads.
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

    NotificationScheduler& scheduler_;
    MainLoop& mainLoop_;
    const Clock& clock_;
    std::vector<PendingScheduledCapture> pending_;
    std::uint64_t latestReload_ = 0;
    ScheduledTask refreshTimer_;
    AliveToken alive_;
};

}  // namespace qm
