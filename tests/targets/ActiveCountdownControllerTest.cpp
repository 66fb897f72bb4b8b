#include "targets/ActiveCountdownController.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "targets/NotificationScheduler.h"
#include "targets/TimerCompletionFallback.h"

namespace qm::test {
namespace {

struct Shown {
    std::string title;
    std::string toolTip;
    bool operator==(const Shown&) const = default;
};

class RecordingSink final : public CountdownTitleSink {
public:
    void showCountdown(const std::string& title, const std::string& toolTip) override
    {
        shown.push_back({title, toolTip});
    }
    std::vector<Shown> shown;
};

// The stand-in centre, except that listings answer only when the test releases them.
class HeldListingCenter final : public UserNotificationCenter {
public:
    explicit HeldListingCenter(SimUserNotificationCenter& inner) : inner_(inner) {}

    void
    getPendingNotificationRequests(std::function<void(std::vector<NotificationRequest>)> completion) override
    {
        held.push_back([snapshot = inner_.pendingRequests(), completion] { completion(snapshot); });
    }

    void requestAuthorization(AuthorizationOptions options, AuthorizationCompletion completion) override
    {
        inner_.requestAuthorization(options, std::move(completion));
    }
    void getNotificationSettings(std::function<void(UserNotificationSettings)> completion) override
    {
        inner_.getNotificationSettings(std::move(completion));
    }
    void setNotificationCategories(std::vector<NotificationCategory> categories) override
    {
        inner_.setNotificationCategories(std::move(categories));
    }
    void getNotificationCategories(std::function<void(std::vector<NotificationCategory>)> completion) override
    {
        inner_.getNotificationCategories(std::move(completion));
    }
    void add(NotificationRequest request, ErrorCompletion completion) override
    {
        inner_.add(std::move(request), std::move(completion));
    }
    void removePendingNotificationRequests(const std::vector<std::string>& identifiers) override
    {
        inner_.removePendingNotificationRequests(identifiers);
    }
    void removeAllPendingNotificationRequests() override { inner_.removeAllPendingNotificationRequests(); }
    void getDeliveredNotifications(std::function<void(std::vector<UserNotification>)> completion) override
    {
        inner_.getDeliveredNotifications(std::move(completion));
    }
    void removeDeliveredNotifications(const std::vector<std::string>& identifiers) override
    {
        inner_.removeDeliveredNotifications(identifiers);
    }
    void removeAllDeliveredNotifications() override { inner_.removeAllDeliveredNotifications(); }
    void setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate) override
    {
        inner_.setDelegate(std::move(delegate));
    }
    std::shared_ptr<UserNotificationCenterDelegate> delegate() const override { return inner_.delegate(); }

    std::vector<std::function<void()>> held;

private:
    SimUserNotificationCenter& inner_;
};

// The countdown over the scheduler and the stand-in notification centre, on
// the manual clock and loop.
class ActiveCountdownControllerTest : public ::testing::Test {
protected:
    ActiveCountdownControllerTest()
    {
        center.setAuthorizationStatus(UserNotificationSettings::AuthorizationStatus::authorized);
        center.setAlertSetting(UserNotificationSettings::Setting::enabled);
    }

    void timer(double seconds, std::optional<std::string> label, const std::string& id)
    {
        scheduler.scheduleTimer(seconds, std::move(label), id,
                                [](auto, auto error) { ASSERT_EQ(error, nullptr); });
        loop.runUntilIdle();
    }

    Shown last() const { return sink->shown.empty() ? Shown{"<nothing>", ""} : sink->shown.back(); }

    SimClock clock;
    SimMainLoop loop{clock};
    NotificationCenter notifications;
    SimUserNotificationCenter center{loop, clock};
    TimerCompletionFallback fallback{loop, clock, notifications, {}};
    NotificationScheduler scheduler{center, loop, clock, notifications, fallback, [] {}};
    ActiveCountdownController countdown{loop, clock, notifications, scheduler};
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
};

TEST_F(ActiveCountdownControllerTest, FormatsMinutesAndHours)
{
    const struct {
        double remaining;
        const char* text;
    } cases[] = {{299.6, "4:59"},   {3599, "59:59"}, {3600, "1:00:00"},
                 {3723, "1:02:03"}, {0.4, "0:00"},   {90000, "25:00:00"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ActiveCountdownController::format(c.remaining), c.text) << c.remaining;
    }
}

TEST_F(ActiveCountdownControllerTest, ShowsTheNextTimerAndHandsOverWhenItEnds)
{
    countdown.start();
    loop.runUntilIdle();
    // Nothing is drawn before there is somewhere to draw.
    EXPECT_TRUE(sink->shown.empty());
    countdown.attach(sink);
    EXPECT_EQ(last(), (Shown{"", "Quillmarker"}));

    // "//timer 25m tea" and a later one: the 25 minutes count down.
    timer(1500, "tea", "tea");
    timer(3000, std::nullopt, "later");
    loop.runUntilIdle();
    EXPECT_EQ(last(), (Shown{"25:00", "Timer: tea — 25:00 remaining"}));
    loop.advance(1.4);
    EXPECT_EQ(last(), (Shown{"24:59", "Timer: tea — 24:59 remaining"}));

    // The first ends; the second takes over without anyone asking.
    loop.advance(1500);
    EXPECT_EQ(last(), (Shown{"24:59", "Timer: Your timer is done — 24:59 remaining"}));
    EXPECT_TRUE(countdown.isCounting());

    // Cancelling the shown one clears the title at the next reload.
    scheduler.cancelPendingCapture("later");
    loop.runUntilIdle();
    EXPECT_EQ(last(), (Shown{"", "Quillmarker"}));
    EXPECT_FALSE(countdown.isCounting());
}

TEST_F(ActiveCountdownControllerTest, StartingTwiceKeepsOneTick)
{
    countdown.attach(sink);
    countdown.start();
    countdown.start();
    loop.runUntilIdle();
    sink->shown.clear();
    loop.advance(10);
    // One draw a second, not two.
    EXPECT_EQ(sink->shown.size(), 10u);
}

TEST_F(ActiveCountdownControllerTest, AnAlarmWhoseTimeHasPassedIsSkipped)
{
    // The centre still lists it (a calendar match a minute back), the timer comes next.
    NotificationRequest passed;
    passed.identifier = "passed";
    passed.content.title = "Alarm";
    passed.content.body = "old";
    passed.content.categoryIdentifier = "QUILLMRKER_ALARM";
    passed.content.userInfo.set("qm_fireAt", clock.now() - 60);
    passed.trigger = NotificationTrigger::calendar({.year = 2099, .month = 1, .day = 1}, false);
    center.add(passed);
    timer(600, "soup", "soup");
    countdown.attach(sink);
    countdown.start();
    loop.runUntilIdle();
    EXPECT_EQ(last(), (Shown{"10:00", "Timer: soup — 10:00 remaining"}));
}

// Two reloads overlap and answer in the wrong order: the older list, which
// still holds a cancelled timer, must not bring it back.
TEST_F(ActiveCountdownControllerTest, AnOlderListNeverReplacesANewerOne)
{
    HeldListingCenter held{center};
    NotificationScheduler slowScheduler{held, loop, clock, notifications, fallback, [] {}};
    ActiveCountdownController slow{loop, clock, notifications, slowScheduler};
    slow.attach(sink);

    NotificationRequest tea;
    tea.identifier = "tea";
    tea.content.title = "Timer finished";
    tea.content.body = "tea";
    tea.content.categoryIdentifier = "QUILLMRKER_TIMER";
    tea.content.userInfo.set("qm_fireAt", clock.now() + 300);
    tea.trigger = NotificationTrigger::timeInterval(300, false);
    center.add(tea);
    loop.runUntilIdle();

    slow.start();  // lists "tea"
    slowScheduler.cancelPendingCapture("tea");
    loop.runUntilIdle();  // the change starts a second reload, which lists nothing
    ASSERT_EQ(held.held.size(), 2u);

    held.held[1]();
    EXPECT_EQ(last(), (Shown{"", "Quillmarker"}));
    held.held[0]();
    EXPECT_EQ(last(), (Shown{"", "Quillmarker"}));
    EXPECT_FALSE(slow.isCounting());
}

}  // namespace
}  // namespace qm::test
