#include "targets/ActiveCountdownController.h"

#include <cmath>

#include <fmt/format.h>

#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "targets/NotificationScheduler.h"
#include "targets/TargetsNotifications.h"

namespace qm {

ActiveCountdownController::ActiveCountdownController(MainLoop& mainLoop, const Clock& clock,
                                                     NotificationCenter& notificationCenter,
                                                     NotificationScheduler& scheduler)
    : mainLoop_(mainLoop), clock_(clock), notificationCenter_(notificationCenter), scheduler_(scheduler)
{
    observer_ = notificationCenter_.addObserver(TargetsNotifications::scheduledCapturesChanged, nullptr,
                                                [this, watch = alive_.watch()](const Notification&) {
                                                    // Posted on the main thread; the reload starts after the
                                                    // poster is done.
                                                    mainLoop_.post([this, watch] {
                                                        if (watch) {
                                                            reloadFromSystem();
                                                        }
                                                    });
                                                });
}

ActiveCountdownController::~ActiveCountdownController()
{
    notificationCenter_.removeObserver(observer_);
}

void ActiveCountdownController::start()
{
    if (!tickTimer_.isValid()) {
        tickTimer_ = Timer::scheduledTimer(mainLoop_, 1.0, true, alive_.guard([this] { renderTick(); }));
    }
    reloadFromSystem();
}

void ActiveCountdownController::attach(std::weak_ptr<CountdownTitleSink> sink)
{
    sink_ = std::move(sink);
    renderTick();
}

std::string ActiveCountdownController::format(double remaining)
{
    const long long total = static_cast<long long>(std::floor(std::max(0.0, remaining)));
    const long long hours = total / 3600;
    const long long minutes = (total % 3600) / 60;
    const long long seconds = total % 60;
    if (total >= 3600) {
        return fmt::format("{}:{:02}:{:02}", hours, minutes, seconds);
    }
    return fmt::format("{}:{:02}", minutes, seconds);
}

void ActiveCountdownController::reloadFromSystem()
{
    const std::uint64_t generation = ++reloadsStarted_;
    scheduler_.listPendingCaptures(
        alive_.guard([this, generation](std::vector<PendingScheduledCapture> pending) {
            if (generation < reloadApplied_) {
                return;  // a newer list is already shown
            }
            reloadApplied_ = generation;
            const double now = clock_.now();
            activeCountdown_.reset();
            for (const auto& capture : pending) {
                if (capture.fireDate && *capture.fireDate - now > 0) {
                    activeCountdown_ = ActiveCountdown{*capture.fireDate, capture.subtitle,
                                                       std::string(capture.kindLabel())};
                    break;
                }
            }
            renderTick();
        }));
}

void ActiveCountdownController::renderTick()
{
    const auto sink = sink_.lock();
    if (!sink) {
        return;
    }
    if (!activeCountdown_) {
        clear(*sink);
        return;
    }
    const double remaining = activeCountdown_->fireDate - clock_.now();
    if (remaining <= 0) {
        activeCountdown_.reset();
        clear(*sink);
        // The next pending timer or alarm, if any, takes over.
        reloadFromSystem();
        return;
    }
    const std::string text = format(remaining);
    sink->showCountdown(text, activeCountdown_->kindLabel + ": " + activeCountdown_->subtitle + " — " + text +
                                  " remaining");
}

void ActiveCountdownController::clear(CountdownTitleSink& sink)
{
    sink.showCountdown("", kIdleToolTip);
}

}  // namespace qm
