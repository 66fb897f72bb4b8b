#include "settings/ScheduledCapturesModel.h"

#include <cmath>

#include <fmt/format.h>

#include "base/Calendar.h"
#include "platform/runtime/Clock.h"
#include "targets/NotificationScheduler.h"

namespace qm {

ScheduledCapturesModel::ScheduledCapturesModel(NotificationScheduler& scheduler, MainLoop& mainLoop,
                                               const Clock& clock)
    : scheduler_(scheduler), mainLoop_(mainLoop), clock_(clock)
{
}

ScheduledCapturesModel::~ScheduledCapturesModel()
{
    stopRefreshTimer();
}

void ScheduledCapturesModel::refreshPendingCaptures()
{
    const std::uint64_t reload = ++latestReload_;
    scheduler_.listPendingCaptures(
        alive_.guard([this, reload](std::vector<PendingScheduledCapture> captures) {
            if (reload != latestReload_) {
                return;
            }
            pending_ = std::move(captures);
            if (onChange) {
                onChange();
            }
        }));
}

void ScheduledCapturesModel::cancelPendingCapture(const std::string& id)
{
    scheduler_.cancelPendingCapture(id);
    refreshPendingCaptures();
}

void ScheduledCapturesModel::startRefreshTimer()
{
    stopRefreshTimer();
    scheduleTick();
}

void ScheduledCapturesModel::stopRefreshTimer()
{
    refreshTimer_.cancel();
    refreshTimer_ = ScheduledTask();
}

void ScheduledCapturesModel::scheduleTick()
{
    refreshTimer_ = mainLoop_.postAfter(kRefreshInterval, alive_.guard([this] {
        scheduleTick();
        refreshPendingCaptures();
    }));
}

std::string ScheduledCapturesModel::pendingCountText() const
{
    return pending_.empty() ? std::string() : fmt::format("{} pending", pending_.size());
}

std::string ScheduledCapturesModel::countdownText(const PendingScheduledCapture& capture) const
{
    if (!capture.fireDate || *capture.fireDate <= clock_.now()) {
        return {};
    }
    const auto seconds = static_cast<long long>(std::ceil(*capture.fireDate - clock_.now()));
    if (seconds >= 3600) {
        return fmt::format("Fires in {}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
    }
    return fmt::format("Fires in {}:{:02}", seconds / 60, seconds % 60);
}

std::string ScheduledCapturesModel::fireTimeText(double fireDate)
{
    return Calendar::current().format(fireDate, Calendar::Style::None, Calendar::Style::Short);
}

}  // namespace qm
