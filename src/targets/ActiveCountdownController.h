#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/Timer.h"
#include "targets/CountdownTitleSink.h"

namespace qm {

class Clock;
class MainLoop;
class NotificationScheduler;

// The time left on the next pending timer or alarm, beside the status item's
// icon ("4:59", "1:02:03"), with a tooltip that says what counts down. It
// reloads the pending list from the scheduler whenever
// "ScheduledCapturesChanged" is posted and when the shown countdown runs
// out, and redraws every second.
//
// Reloads may overlap; a result is applied only when no newer reload has been
// applied before it, so an old list can never bring back a timer that was
// cancelled since. Build, use and destroy it on the main thread.
class ActiveCountdownController {
public:
    static constexpr const char* kIdleToolTip = "Quillmarker";

    // The references must outlive the controller.
    ActiveCountdownController(MainLoop& mainLoop, const Clock& clock, NotificationCenter& notificationCenter,
                              NotificationScheduler& scheduler);
    ~ActiveCountdownController();
    ActiveCountdownController(const ActiveCountdownController&) = delete;
    ActiveCountdownController& operator=(const ActiveCountdownController&) = delete;

    // Starts the one-second tick (once, however often it is called) and loads the countdown.
    void start();
    // Where the countdown shows from now on (null: nowhere); drawn at once.
    // The controller does not own it.
    void attach(std::weak_ptr<CountdownTitleSink> sink);

    // "4:59" below an hour, "1:00:00" from an hour on; hours are not capped.
    // The fraction of a second is dropped.
    static std::string format(double remaining);

    bool isCounting() const { return activeCountdown_.has_value(); }

private:
    struct ActiveCountdown {
        double fireDate;
        std::string subtitle;
        std::string kindLabel;
    };

    void reloadFromSystem();
    void renderTick();
    void clear(CountdownTitleSink& sink);

    MainLoop& mainLoop_;
    const Clock& clock_;
    NotificationCenter& notificationCenter_;
    NotificationScheduler& scheduler_;
    std::weak_ptr<CountdownTitleSink> sink_;
    Timer tickTimer_;
    std::optional<ActiveCountdown> activeCountdown_;
    std::uint64_t reloadsStarted_ = 0;
    std::uint64_t reloadApplied_ = 0;
    NotificationCenter::ObserverToken observer_;
    AliveToken alive_;
};

}  // namespace qm
