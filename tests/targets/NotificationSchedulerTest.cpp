#include "targets/NotificationScheduler.h"

#include <cmath>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "base/Log.h"
#include "base/PlatformError.h"
#include "base/Uuid.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "targets/OffMainSend.h"
#include "targets/TimeZoneScope.h"
#include "targets/TimerCompletionFallback.h"

namespace qm::test {
namespace {

using Status = UserNotificationSettings::AuthorizationStatus;
using Setting = UserNotificationSettings::Setting;
using Kind = PendingScheduledCapture::Kind;

struct HudMessage {
    std::string message;
    std::optional<std::string> systemImage;
    bool operator==(const HudMessage&) const = default;
};

struct Outcome {
    std::optional<ScheduledNotificationResult> result;
    std::exception_ptr error;
    bool answered = false;
};

// The scheduler over the stand-in notification centre, on the manual clock
// and loop, in New York; the HUD and "ScheduledCapturesChanged" are recorded.
class NotificationSchedulerTest : public ::testing::Test {
protected:
    NotificationSchedulerTest()
    {
        center.setAuthorizationStatus(Status::authorized);
        center.setAlertSetting(Setting::enabled);
        notifications.addObserver("ScheduledCapturesChanged", nullptr,
                                  [this](const Notification&) { ++changes; });
    }

    Outcome timer(double interval, std::optional<std::string> label, std::string identifier = "T1")
    {
        Outcome outcome;
        scheduler.scheduleTimer(
            interval, std::move(label), std::move(identifier),
            [&](std::optional<ScheduledNotificationResult> result, std::exception_ptr error) {
                outcome = {std::move(result), error, true};
            });
        loop.runUntilIdle();
        EXPECT_TRUE(outcome.answered);
        return outcome;
    }

    Outcome alarm(double at, std::string title, std::string identifier = "A1")
    {
        Outcome outcome;
        scheduler.scheduleAlarm(
            at, std::move(title), std::move(identifier),
            [&](std::optional<ScheduledNotificationResult> result, std::exception_ptr error) {
                outcome = {std::move(result), error, true};
            });
        loop.runUntilIdle();
        EXPECT_TRUE(outcome.answered);
        return outcome;
    }

    std::vector<PendingScheduledCapture> list()
    {
        std::optional<std::vector<PendingScheduledCapture>> listed;
        scheduler.listPendingCaptures(
            [&](std::vector<PendingScheduledCapture> captures) { listed = captures; });
        loop.runUntilIdle();
        EXPECT_TRUE(listed.has_value());
        return listed.value_or(std::vector<PendingScheduledCapture>{});
    }

    // Local wall-clock time in New York on the clock's day (14 November 2023).
    double newYork(int hour, int minute, int second = 0, int day = 14)
    {
        return *Calendar::current().date(DateComponents{
            .year = 2023, .month = 11, .day = day, .hour = hour, .minute = minute, .second = second});
    }

    TimeZoneScope zone{"America/New_York"};
    SimClock clock;  // 2023-11-14 17:13:20 in New York
    SimMainLoop loop{clock};
    NotificationCenter notifications;
    SimUserNotificationCenter center{loop, clock};
    std::vector<HudMessage> hud;
    TimerCompletionFallback fallback{
        loop, clock, notifications,
        [this](const std::string& message, const std::optional<std::string>& image) {
            hud.push_back({message, image});
        }};
    int activations = 0;
    NotificationScheduler scheduler{center, loop, clock, notifications, fallback, [this] { ++activations; }};
    int changes = 0;
};

TEST_F(NotificationSchedulerTest, CategoriesReplaceTheWholeSet)
{
    center.setNotificationCategories({NotificationCategory{"OLD", {}, {}, 0}});
    scheduler.configureCategories();
    EXPECT_EQ(center.categories(),
              (std::vector<NotificationCategory>{
                  {"QUILLMRKER_TIMER", {}, {}, 0},
                  {"QUILLMRKER_ALARM", {}, {}, 0},
                  {"QUILLMRKER_UPDATE",
                   {{"RESTART_TO_UPDATE", "Restart to Update", NotificationCategoryAction::foreground}},
                   {},
                   0},
              }));
}

// Every way permission or the centre can refuse: the caller gets the
// sentence, and nothing is scheduled, armed or announced.
TEST_F(NotificationSchedulerTest, ErrorTable)
{
    const std::string denied = "Notifications access was denied. Open Settings → Privacy & Permissions in "
                               "Quillmarker and tap Grant next to Notifications.";
    const std::string alertsOff =
        "Notifications are allowed but Banners/Alerts are turned off for Quillmarker. "
        "Enable Alerts in System Settings → Notifications → Quillmarker.";
    struct Case {
        const char* name;
        std::function<void(SimUserNotificationCenter&)> arrange;
        std::string error;
        int prompts;
        int activations;
        const char* logLine;
    };
    const Case cases[] = {
        {"denied in settings", [](auto& c) { c.setAuthorizationStatus(Status::denied); }, denied, 0, 0,
         nullptr},
        {"alerts turned off", [](auto& c) { c.setAlertSetting(Setting::disabled); }, alertsOff, 0, 0,
         nullptr},
        {"provisional, alerts off",
         [](auto& c) {
             c.setAuthorizationStatus(Status::provisional);
             c.setAlertSetting(Setting::disabled);
         },
         alertsOff, 0, 0, nullptr},
        {"refused at the prompt",
         [](auto& c) {
             c.setAuthorizationStatus(Status::notDetermined);
             c.answerNextAuthorizationPrompt(false);
         },
         denied, 1, 1, nullptr},
        {"granted at the prompt, alerts off",
         [](auto& c) {
             c.setAuthorizationStatus(Status::notDetermined);
             c.setAlertSetting(Setting::disabled);
             c.answerNextAuthorizationPrompt(true);
         },
         alertsOff, 1, 1, nullptr},
        {"the request itself fails",
         [](auto& c) {
             c.setAuthorizationStatus(Status::notDetermined);
             c.failNextAuthorizationRequest(
                 PlatformError("UNErrorDomain", 7, "The prompt could not be shown."));
         },
         "The prompt could not be shown.", 0, 1, nullptr},
        {"the centre rejects the request",
         [](auto& c) { c.failNextAdd(PlatformError("UNErrorDomain", 3, "Too many pending requests.")); },
         "Could not schedule the notification (Too many pending requests.)", 0, 0,
         "❌ NotificationScheduler: Failed to add notification: Too many pending requests."},
        {"accepted but not held", [](auto& c) { c.dropNextAdd(); },
         "Could not schedule the notification (macOS did not register the notification. Check Quillmarker → "
         "Notifications in System Settings and enable Banners/Alerts.)",
         0, 0, "❌ NotificationScheduler: add() succeeded but request T1 is not pending"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimUserNotificationCenter fresh{loop, clock};
        fresh.setAuthorizationStatus(Status::authorized);
        fresh.setAlertSetting(Setting::enabled);
        c.arrange(fresh);
        NotificationScheduler subject{fresh, loop, clock, notifications, fallback, [this] { ++activations; }};
        changes = 0;
        activations = 0;

        Log::Capture log;
        Outcome outcome;
        subject.scheduleTimer(25 * 60, "tea", "T1", [&](auto result, auto error) {
            outcome = {std::move(result), error, true};
        });
        loop.runUntilIdle();

        ASSERT_TRUE(outcome.answered);
        EXPECT_EQ(failureText(outcome.error), c.error);
        EXPECT_EQ(outcome.result, std::nullopt);
        EXPECT_EQ(fresh.authorizationPrompts().size(), static_cast<std::size_t>(c.prompts));
        EXPECT_EQ(activations, c.activations);
        EXPECT_TRUE(fresh.pendingRequests().empty());
        EXPECT_EQ(fallback.armedCount(), 0u);
        EXPECT_EQ(changes, 0);
        if (c.logLine) {
            EXPECT_TRUE(log.contains(c.logLine)) << c.logLine;
        }
    }
}

TEST_F(NotificationSchedulerTest, PermissionGrantedAtThePromptSchedules)
{
    center.setAuthorizationStatus(Status::notDetermined);
    center.answerNextAuthorizationPrompt(true);
    const Outcome outcome = timer(300, "stretch");
    EXPECT_EQ(outcome.error, nullptr);
    ASSERT_EQ(center.authorizationPrompts().size(), 1u);
    EXPECT_EQ(center.authorizationPrompts()[0],
              UserNotificationCenter::alert | UserNotificationCenter::sound | UserNotificationCenter::badge);
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(center.pendingRequests().size(), 1u);
}

// Exactly the content the system shows, for both kinds.
TEST_F(NotificationSchedulerTest, RequestContentTable)
{
    const double now = clock.now();
    struct Case {
        const char* name;
        std::function<Outcome()> schedule;
        std::string title;
        std::string body;
        std::string category;
        NotificationTrigger::Kind trigger;
    };
    const Case cases[] = {
        {"labelled timer", [&] { return timer(1500, "tea", "T1"); }, "Timer finished", "tea",
         "QUILLMRKER_TIMER", NotificationTrigger::Kind::timeInterval},
        {"unlabelled timer", [&] { return timer(1500, std::nullopt, "T2"); }, "Timer finished",
         "Your timer is done", "QUILLMRKER_TIMER", NotificationTrigger::Kind::timeInterval},
        {"empty label", [&] { return timer(1500, std::string(), "T3"); }, "Timer finished", "",
         "QUILLMRKER_TIMER", NotificationTrigger::Kind::timeInterval},
        {"alarm", [&] { return alarm(newYork(19, 30), "take meds", "A1"); }, "Alarm", "take meds",
         "QUILLMRKER_ALARM", NotificationTrigger::Kind::calendar},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = c.schedule();
        ASSERT_EQ(outcome.error, nullptr) << failureText(outcome.error);
        const auto pending = center.pendingRequests();
        const auto request = std::find_if(pending.begin(), pending.end(), [&](const auto& r) {
            return r.identifier == outcome.result->identifier;
        });
        ASSERT_NE(request, pending.end());
        EXPECT_EQ(request->content.title, c.title);
        EXPECT_EQ(request->content.body, c.body);
        EXPECT_EQ(request->content.sound, std::string(NotificationContent::defaultSound));
        EXPECT_EQ(request->content.categoryIdentifier, c.category);
        EXPECT_EQ(request->content.userInfo.keys(),
                  (std::vector<std::string>{"qm_fireAt", "qm_scheduledAt"}));
        EXPECT_EQ(request->content.userInfo.get<double>("qm_scheduledAt"), now);
        EXPECT_EQ(request->content.userInfo.get<double>("qm_fireAt"), outcome.result->fireDate);
        ASSERT_TRUE(request->trigger.has_value());
        EXPECT_EQ(request->trigger->kind(), c.trigger);
        EXPECT_FALSE(request->trigger->repeats());
    }
    const auto pending = center.pendingRequests();
    EXPECT_EQ(pending[0].trigger->timeInterval(), 1500);
    // The alarm matches year to minute in the user's zone, never the second.
    EXPECT_EQ(pending[3].trigger->dateComponents(),
              (NotificationTrigger::DateMatch{.year = 2023,
                                              .month = 11,
                                              .day = 14,
                                              .hour = 19,
                                              .minute = 30,
                                              .timeZoneId = "America/New_York"}));
    EXPECT_EQ(changes, 4);
}

TEST_F(NotificationSchedulerTest, TimersLastAtLeastAMinute)
{
    const struct {
        double asked;
        double used;
    } cases[] = {{10, 60}, {0, 60}, {-5, 60}, {NAN, 60}, {60, 60}, {5400, 5400}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        Log::Capture log;
        const Outcome outcome = timer(c.asked, std::nullopt, "T" + std::to_string(++n));
        ASSERT_EQ(outcome.error, nullptr);
        EXPECT_EQ(outcome.result->fireDate, clock.now() + c.used);
        EXPECT_TRUE(log.contains("⏱️ NotificationScheduler: Timer registered — fires in " +
                                 std::to_string(static_cast<int>(c.used)) + "s at "));
    }
}

TEST_F(NotificationSchedulerTest, AlarmsRoundUpToTheNextMinuteAtLeastAMinuteAhead)
{
    const double now = clock.now();  // 17:13:20
    const struct {
        const char* name;
        double at;
        double expected;
    } cases[] = {
        {"on the minute", newYork(19, 30, 0), newYork(19, 30, 0)},
        {"seconds past", newYork(19, 30, 20), newYork(19, 31, 0)},
        {"fraction kept", newYork(19, 30, 20) + 0.25, newYork(19, 31, 0) + 0.25},
        {"in the past", newYork(9, 0), newYork(17, 15, 0)},
        {"30 seconds ahead", now + 30, newYork(17, 15, 0)},
        {"exactly a minute ahead", now + 60, newYork(17, 15, 0)},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Log::Capture log;
        const Outcome outcome = alarm(c.at, "wake", "A" + std::to_string(++n));
        ASSERT_EQ(outcome.error, nullptr);
        EXPECT_DOUBLE_EQ(outcome.result->fireDate, c.expected);
        EXPECT_GE(outcome.result->fireDate - now, 60);
        EXPECT_TRUE(log.contains("⏰ NotificationScheduler: Alarm registered — fires at "));
    }
}

TEST_F(NotificationSchedulerTest, ListingSortsByFireDateAndSkipsOtherCategories)
{
    const double now = clock.now();
    auto add = [&](std::string id, std::string category, UserInfo info,
                   std::optional<NotificationTrigger> trigger) {
        NotificationRequest request;
        request.identifier = std::move(id);
        request.content.title = category == "QUILLMRKER_ALARM" ? "Alarm" : "Timer finished";
        request.content.body = "body of " + request.identifier;
        request.content.categoryIdentifier = std::move(category);
        request.content.userInfo = std::move(info);
        request.trigger = std::move(trigger);
        center.add(std::move(request));
    };
    const auto interval = [](double seconds) { return NotificationTrigger::timeInterval(seconds, false); };
    add("update", "QUILLMRKER_UPDATE", {}, interval(10));
    add("late", "QUILLMRKER_TIMER", {{"qm_fireAt", now + 900}, {"qm_scheduledAt", now}}, interval(900));
    // A calendar match that never comes has no fire date at all.
    add("never", "QUILLMRKER_ALARM", {},
        NotificationTrigger::calendar({.year = 2023, .month = 1, .day = 1, .hour = 8}, false));
    add("from-trigger", "QUILLMRKER_TIMER", {}, interval(300));
    add("integer-keys", "QUILLMRKER_ALARM",
        {{"qm_fireAt", static_cast<std::int64_t>(now) + 600},
         {"qm_scheduledAt", static_cast<std::int64_t>(now)}},
        NotificationTrigger::calendar({.hour = 23, .minute = 59}, false));
    add("calendar-no-scheduled", "QUILLMRKER_ALARM", {{"qm_fireAt", now + 900}},
        NotificationTrigger::calendar({.hour = 23, .minute = 59}, false));
    loop.runUntilIdle();

    const auto listed = list();
    std::vector<std::string> ids;
    for (const auto& capture : listed) {
        ids.push_back(capture.id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"from-trigger", "integer-keys", "late", "calendar-no-scheduled",
                                             "never"}));
    EXPECT_EQ(listed[0], (PendingScheduledCapture{"from-trigger", Kind::timer, "Timer finished",
                                                  "body of from-trigger", now + 300, now}));
    EXPECT_EQ(listed[1].kind, Kind::alarm);
    EXPECT_EQ(listed[1].kindLabel(), "Alarm");
    EXPECT_EQ(listed[1].fireDate, now + 600);
    EXPECT_EQ(listed[1].scheduledAt, now);
    EXPECT_EQ(listed[3].scheduledAt, std::nullopt);
    EXPECT_EQ(listed[4].fireDate, std::nullopt);
}

TEST_F(NotificationSchedulerTest, OnlyTheUpdateNotificationPendingListsNothing)
{
    NotificationRequest update;
    update.identifier = "update";
    update.content.categoryIdentifier = "QUILLMRKER_UPDATE";
    update.trigger = NotificationTrigger::timeInterval(60, false);
    center.add(update);
    loop.runUntilIdle();
    EXPECT_TRUE(list().empty());
}

TEST_F(NotificationSchedulerTest, TheHUDFallbackShowsOnceWhenTheTimeComes)
{
    ASSERT_EQ(timer(60, std::nullopt, "T1").error, nullptr);
    ASSERT_EQ(alarm(clock.now() + 120, "take meds", "A1").error, nullptr);
    // Scheduling again under the same identifier replaces the armed item.
    ASSERT_EQ(timer(90, "tea", "T2").error, nullptr);
    ASSERT_EQ(timer(90, "tea", "T2").error, nullptr);
    EXPECT_EQ(fallback.armedCount(), 3u);
    changes = 0;

    loop.advance(59);
    EXPECT_TRUE(hud.empty());
    loop.advance(200);
    EXPECT_EQ(hud, (std::vector<HudMessage>{
                       {"Your timer is done", "timer"}, {"tea", "timer"}, {"take meds", "alarm"}}));
    EXPECT_EQ(fallback.armedCount(), 0u);
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(list().empty());
}

TEST_F(NotificationSchedulerTest, CancellingDropsTheRequestAndItsFallback)
{
    ASSERT_EQ(timer(300, "tea", "T1").error, nullptr);
    ASSERT_EQ(timer(600, "soup", "T2").error, nullptr);
    changes = 0;

    scheduler.cancelPendingCapture("T1");
    EXPECT_EQ(changes, 1);
    const auto listed = list();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].id, "T2");

    // Not pending: no error, and the change is announced all the same.
    scheduler.cancelPendingCapture("nobody");
    EXPECT_EQ(changes, 2);

    loop.advance(700);
    EXPECT_EQ(hud, (std::vector<HudMessage>{{"soup", "timer"}}));
}

TEST_F(NotificationSchedulerTest, IdentifiersAreUpperCaseUUIDs)
{
    const std::string identifier = NotificationScheduler::newIdentifier();
    EXPECT_EQ(identifier.size(), 36u);
    EXPECT_EQ(identifier, Uuid::fromString(identifier)->string());
    EXPECT_NE(identifier, NotificationScheduler::newIdentifier());
}

}  // namespace
}  // namespace qm::test
