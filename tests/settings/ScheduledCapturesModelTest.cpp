#include "settings/ScheduledCapturesModel.h"

#include <gtest/gtest.h>

#include "platform/notifications/NotificationRequest.h"
#include "platform/notifications/UserNotificationSettings.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

// The page over the scheduler the program schedules with, on the manual loop.
class ScheduledCapturesModelTest : public testing::Test {
protected:
    ScheduledCapturesModelTest()
    {
        rig.userNotifications.setAuthorizationStatus(
            UserNotificationSettings::AuthorizationStatus::authorized);
        rig.userNotifications.setAlertSetting(UserNotificationSettings::Setting::enabled);
        changedToken = rig.center.addObserver("ScheduledCapturesChanged", nullptr,
                                              [this](const Notification&) { ++changes; });
    }
    ~ScheduledCapturesModelTest() override { rig.center.removeObserver(changedToken); }

    void timer(double seconds, const std::string& label, const std::string& id)
    {
        expectScheduled(id,
                        [&](auto done) { rig.scheduler.scheduleTimer(seconds, label, id, std::move(done)); });
    }

    void alarm(double at, const std::string& title, const std::string& id)
    {
        expectScheduled(id, [&](auto done) { rig.scheduler.scheduleAlarm(at, title, id, std::move(done)); });
    }

    void expectScheduled(const std::string& id,
                         const std::function<void(NotificationScheduler::ScheduleCompletion)>& schedule)
    {
        bool scheduled = false;
        schedule([&](auto result, std::exception_ptr error) { scheduled = result && !error; });
        rig.loop.runUntilIdle();
        ASSERT_TRUE(scheduled) << id;
    }

    std::vector<std::string> shownIds() const
    {
        std::vector<std::string> ids;
        for (const auto& row : model.pendingCaptures()) {
            ids.push_back(row.id);
        }
        return ids;
    }

    test::SettingsRig rig;
    ScheduledCapturesModel model{rig.scheduler, rig.loop, rig.clock};
    int changes = 0;
    NotificationCenter::ObserverToken changedToken;
};

TEST_F(ScheduledCapturesModelTest, ListsWhatTheSchedulerListsSoonestFirstAndNothingElse)
{
    timer(600, "stretch", "T-late");
    alarm(rig.clock.now() + 7200, "take meds", "A-later");
    timer(120, "tea", "T-soon");
    NotificationRequest update;
    update.identifier = "update";
    update.content.categoryIdentifier = "UPDATE_AVAILABLE";
    rig.userNotifications.add(update);
    rig.loop.runUntilIdle();

    int redraws = 0;
    model.onChange = [&] { ++redraws; };
    model.refreshPendingCaptures();
    EXPECT_TRUE(model.pendingCaptures().empty()) << "the list arrives through the main loop";
    rig.loop.runUntilIdle();

    EXPECT_EQ(shownIds(), (std::vector<std::string>{"T-soon", "T-late", "A-later"}));
    EXPECT_EQ(redraws, 1);
    std::vector<PendingScheduledCapture> listed;
    rig.scheduler.listPendingCaptures(
        [&](std::vector<PendingScheduledCapture> rows) { listed = std::move(rows); });
    rig.loop.runUntilIdle();
    EXPECT_EQ(model.pendingCaptures(), listed) << "the page and the scheduler show the same rows";
    EXPECT_EQ(model.pendingCaptures()[0].subtitle, "tea");
    EXPECT_EQ(model.pendingCaptures()[2].kindLabel(), "Alarm");
    EXPECT_EQ(model.pendingCountText(), "3 pending");
}

TEST_F(ScheduledCapturesModelTest, CancelDropsTheRequestAndItsHudEchoThenReloads)
{
    timer(120, "tea", "T-tea");
    timer(300, "eggs", "T-eggs");
    model.refreshPendingCaptures();
    rig.loop.runUntilIdle();
    ASSERT_EQ(shownIds().size(), 2u);
    const int changesBefore = changes;

    model.cancelPendingCapture("T-tea");
    EXPECT_EQ(shownIds().size(), 2u) << "the row goes at the reload, not before";
    rig.loop.runUntilIdle();
    EXPECT_EQ(shownIds(), std::vector<std::string>{"T-eggs"});
    EXPECT_EQ(changes, changesBefore + 1) << "the menu-bar countdown hears of the cancel";

    rig.loop.advance(400);
    EXPECT_EQ(rig.fallbackHud, std::vector<std::string>{"eggs"})
        << "a cancelled timer never shows on the HUD";

    model.cancelPendingCapture("no-such-capture");
    rig.loop.runUntilIdle();
    EXPECT_TRUE(model.pendingCaptures().empty());
    EXPECT_EQ(model.pendingCountText(), "");
}

TEST_F(ScheduledCapturesModelTest, OnlyTheNewestOfOverlappingReloadsSetsTheList)
{
    timer(120, "a", "a");
    timer(180, "b", "b");
    model.refreshPendingCaptures();  // sees a and b
    rig.userNotifications.removePendingNotificationRequests({"a"});
    model.refreshPendingCaptures();  // sees b only
    rig.loop.runUntilIdle();
    EXPECT_EQ(shownIds(), std::vector<std::string>{"b"});

    model.refreshPendingCaptures();
    model.stop();
    rig.userNotifications.removePendingNotificationRequests({"b"});
    rig.loop.runUntilIdle();
    EXPECT_EQ(shownIds(), std::vector<std::string>{"b"}) << "an answer arriving after stop() is dropped";
}

TEST_F(ScheduledCapturesModelTest, AnswerArrivingAfterThePageWentTouchesNothing)
{
    auto page = std::make_unique<ScheduledCapturesModel>(rig.scheduler, rig.loop, rig.clock);
    bool redrawn = false;
    page->onChange = [&] { redrawn = true; };
    timer(120, "a", "a");
    page->refreshPendingCaptures();
    page.reset();
    rig.loop.runUntilIdle();
    EXPECT_FALSE(redrawn);
}

TEST_F(ScheduledCapturesModelTest, CountdownShowsOnlyWhileTheFireDateLiesAhead)
{
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
