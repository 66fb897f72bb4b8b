#include "settings/ScheduledCapturesModel.h"

#include <gtest/gtest.h>

#include "platform/notifications/NotificationRequest.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

NotificationRequest pending(const std::string& id, const std::string& category, std::optional<double> fireAt)
{
    NotificationRequest request;
    request.identifier = id;
    request.content.body = id;
    request.content.categoryIdentifier = category;
    if (fireAt) {
        request.content.userInfo.set("qm_fireAt", *fireAt);
    }
    return request;
}

TEST(ScheduledCapturesModelTest, ListsTimersAndAlarmsByFireDateWithUndatedLast)
{
    const double now = 1'000'000;
    NotificationRequest triggered = pending("triggered", "QUILLMRKER_ALARM", std::nullopt);
    triggered.trigger = NotificationTrigger::timeInterval(30, false);
    const auto rows = ScheduledCapturesModel::pendingCaptures(
        {pending("undated", "QUILLMRKER_TIMER", std::nullopt), pending("other", "UPDATE", now + 1),
         pending("late", "QUILLMRKER_ALARM", now + 600), pending("soon", "QUILLMRKER_TIMER", now + 10),
         triggered},
        now);
    std::vector<std::string> ids;
    for (const auto& row : rows) {
        ids.push_back(row.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"soon", "triggered", "late", "undated"}));
    EXPECT_EQ(rows[0].kindLabel(), "Timer");
    EXPECT_EQ(rows[2].kindLabel(), "Alarm");
}

TEST(ScheduledCapturesModelTest, OnlyTheNewestOfOverlappingReloadsSetsTheList)
{
    test::SettingsRig rig;
    rig.userNotifications.setAuthorizationStatus(UserNotificationSettings::AuthorizationStatus::authorized);
    ScheduledCapturesModel model{rig.userNotifications, rig.center, rig.loop, rig.clock};
    auto add = [&](const std::string& id) {
        auto request = pending(id, "QUILLMRKER_TIMER", rig.clock.now() + 60);
        request.trigger = NotificationTrigger::timeInterval(60, false);
        rig.userNotifications.add(request);
        rig.loop.runUntilIdle();
    };
    add("a");
    add("b");
    model.refreshPendingCaptures();  // sees a and b
    rig.userNotifications.removePendingNotificationRequests({"a"});
    model.refreshPendingCaptures();  // sees b only
    rig.loop.runUntilIdle();
    ASSERT_EQ(model.pendingCaptures().size(), 1u);
    EXPECT_EQ(model.pendingCaptures()[0].id, "b");

    int announced = 0;
    auto token = rig.center.addObserver(ScheduledCapturesModel::scheduledCapturesChanged, nullptr,
                                        [&](const Notification&) { ++announced; });
    model.cancelPendingCapture("b");
    EXPECT_EQ(model.pendingCaptures().size(), 1u) << "the row goes at the reload, not before";
    rig.loop.runUntilIdle();
    EXPECT_TRUE(model.pendingCaptures().empty());
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(model.pendingCountText(), "");
    rig.center.removeObserver(token);
}

TEST(ScheduledCapturesModelTest, CountdownShowsOnlyWhileTheFireDateLiesAhead)
{
    test::SettingsRig rig;
    ScheduledCapturesModel model{rig.userNotifications, rig.center, rig.loop, rig.clock};
    PendingScheduledCapture row;
    EXPECT_EQ(model.countdownText(row), "");
    row.fireDate = rig.clock.now() + 119.2;
    EXPECT_EQ(model.countdownText(row), "Fires in 2:00");
    row.fireDate = rig.clock.now() + 3725;
    EXPECT_EQ(model.countdownText(row), "Fires in 1:02:05");
    row.fireDate = rig.clock.now() - 1;
    EXPECT_EQ(model.countdownText(row), "");
}

}  // namespace
}  // namespace qm
