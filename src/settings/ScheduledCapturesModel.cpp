#include "settings/ScheduledCapturesModel.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "base/Calendar.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/notifications/NotificationRequest.h"
#include "platform/notifications/UserNotificationCenter.h"
#include "platform/runtime/Clock.h"

namespace qm {
namespace {

std::optional<double> numberFor(const UserInfo& info, const std::string& key)
{
    if (auto value = info.get<double>(key)) {
        return value;
    }
    if (auto value = info.get<std::int64_t>(key)) {
        return static_cast<double>(*value);
    }
    return std::nullopt;
}

}  // namespace

ScheduledCapturesModel::ScheduledCapturesModel(UserNotificationCenter& userNotifications,
                                               NotificationCenter& notificationCenter, MainLoop& mainLoop,
                                               const Clock& clock)
    : userNotifications_(userNotifications), notificationCenter_(notificationCenter), mainLoop_(mainLoop),
      clock_(clock)
{
}

ScheduledCapturesModel::~ScheduledCapturesModel()
{
    stopRefreshTimer();
}

std::vector<PendingScheduledCapture>
ScheduledCapturesModel::pendingCaptures(const std::vector<NotificationRequest>& requests, double now)
{
    std::vector<PendingScheduledCapture> rows;
    for (const auto& request : requests) {
        const auto& content = request.content;
        PendingScheduledCapture row;
        if (content.categoryIdentifier == TargetsNotifications::timerCategory) {
            row.kind = PendingScheduledCapture::Kind::timer;
        } else if (content.categoryIdentifier == TargetsNotifications::alarmCategory) {
            row.kind = PendingScheduledCapture::Kind::alarm;
        } else {
            continue;
        }
        row.id = request.identifier;
        row.title = content.title;
        row.subtitle = content.body;
        row.fireDate = numberFor(content.userInfo, TargetsNotifications::fireAtKey);
        if (!row.fireDate && request.trigger) {
            row.fireDate = request.trigger->nextTriggerDate(now);
        }
        row.scheduledAt = numberFor(content.userInfo, TargetsNotifications::scheduledAtKey);
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.fireDate.value_or(INFINITY) < b.fireDate.value_or(INFINITY);
    });
    return rows;
}

void ScheduledCapturesModel::refreshPendingCaptures()
{
    const std::uint64_t reload = ++latestReload_;
    auto apply = alive_.guard([this, reload](std::vector<NotificationRequest> requests) {
        if (reload != latestReload_) {
            return;
        }
        pending_ = pendingCaptures(requests, clock_.now());
        if (onChange) {
            onChange();
        }
    });
    userNotifications_.getPendingNotificationRequests(
        [loop = &mainLoop_, apply](std::vector<NotificationRequest> requests) mutable {
            // The centre may answer on any thread; the page is touched on the main one
            // only, and the guard inside `apply` is checked there.
            loop->post([apply, requests = std::move(requests)]() mutable { apply(std::move(requests)); });
        });
}

void ScheduledCapturesModel::cancelPendingCapture(const std::string& id)
{
    userNotifications_.removePendingNotificationRequests({id});
    notificationCenter_.post(scheduledCapturesChanged);
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
