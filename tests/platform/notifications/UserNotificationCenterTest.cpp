#include "platform/sim/notifications/SimUserNotificationCenter.h"

#include <atomic>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

using Status = UserNotificationSettings::AuthorizationStatus;
using Setting = UserNotificationSettings::Setting;
using Delegate = UserNotificationCenterDelegate;

NotificationRequest request(std::string identifier, std::optional<NotificationTrigger> trigger)
{
    NotificationRequest result;
    result.identifier = std::move(identifier);
    result.content.title = "Timer finished";
    result.content.body = "tea";
    result.content.sound = std::string(NotificationContent::defaultSound);
    result.content.categoryIdentifier = "QUILLMRKER_TIMER";
    result.content.userInfo.set("qm_fireAt", 1.5);
    result.trigger = std::move(trigger);
    return result;
}

NotificationRequest timer(std::string identifier, double interval, bool repeats = false)
{
    return request(std::move(identifier), NotificationTrigger::timeInterval(interval, repeats));
}

std::vector<std::string> identifiers(const std::vector<NotificationRequest>& requests)
{
    std::vector<std::string> result;
    for (const auto& item : requests) {
        result.push_back(item.identifier);
    }
    return result;
}

std::vector<std::string> identifiers(const std::vector<UserNotification>& notifications)
{
    std::vector<std::string> result;
    for (const auto& item : notifications) {
        result.push_back(item.request.identifier);
    }
    return result;
}

using Ids = std::vector<std::string>;

class RecordingDelegate : public Delegate {
public:
    void willPresent(const UserNotification& notification,
                     std::function<void(PresentationOptions)> completion) override
    {
        presented.push_back(notification);
        completion(Delegate::banner | Delegate::list | Delegate::sound);
    }
    void didReceive(const UserNotificationResponse& response, std::function<void()> completion) override
    {
        responses.push_back(response);
        completion();
    }

    std::vector<UserNotification> presented;
    std::vector<UserNotificationResponse> responses;
};

class UserNotificationCenterTest : public testing::Test {
protected:
    void authorize() { center.setAuthorizationStatus(Status::authorized); }

    std::optional<PlatformError> add(NotificationRequest item)
    {
        std::optional<std::optional<PlatformError>> answer;
        center.add(std::move(item), [&](std::optional<PlatformError> error) { answer = std::move(error); });
        EXPECT_FALSE(answer) << "completions come later, on the main loop";
        loop.runUntilIdle();
        EXPECT_TRUE(answer) << "add() never completed";
        return answer.value_or(std::nullopt);
    }

    SimClock clock;
    SimMainLoop loop{clock};
    SimUserNotificationCenter center{loop, clock};
};

TEST_F(UserNotificationCenterTest, AuthorizationRequestsMoveThroughTheUsersDecisions)
{
    struct Case {
        Status initial;
        std::optional<bool> answer;  // the prompt's answer, when one is shown
        bool granted;
        Status after;
    };
    const Case cases[] = {
        {Status::notDetermined, true, true, Status::authorized},
        {Status::notDetermined, false, false, Status::denied},
        {Status::provisional, true, true, Status::authorized},
        {Status::denied, std::nullopt, false, Status::denied},
        {Status::authorized, std::nullopt, true, Status::authorized},
        {Status::ephemeral, std::nullopt, true, Status::ephemeral},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "from status " << static_cast<int>(c.initial));
        SimUserNotificationCenter fresh(loop, clock);
        fresh.setAuthorizationStatus(c.initial);
        if (c.answer) {
            fresh.answerNextAuthorizationPrompt(*c.answer);
        }
        std::optional<bool> granted;
        fresh.requestAuthorization(UserNotificationCenter::alert | UserNotificationCenter::sound,
                                   [&](bool answer, std::optional<PlatformError> error) {
                                       EXPECT_FALSE(error);
                                       granted = answer;
                                   });
        EXPECT_FALSE(granted);
        loop.runUntilIdle();
        EXPECT_EQ(granted, c.granted);
        EXPECT_EQ(fresh.settings().authorizationStatus, c.after);
        const auto prompts = fresh.authorizationPrompts();
        EXPECT_EQ(prompts.size(), c.answer ? 1u : 0u);
        if (!prompts.empty()) {
            EXPECT_EQ(prompts[0], UserNotificationCenter::alert | UserNotificationCenter::sound);
        }
    }
}

TEST_F(UserNotificationCenterTest, APromptWithoutAScriptedAnswerFailsAtOnce)
{
    EXPECT_THROW(center.requestAuthorization(UserNotificationCenter::alert, {}), std::logic_error);
}

TEST_F(UserNotificationCenterTest, AFailedAuthorizationRequestPassesItsErrorOn)
{
    center.failNextAuthorizationRequest(PlatformError("UNErrorDomain", 1, "Notifications are not allowed"));
    std::optional<PlatformError> received;
    bool granted = true;
    center.requestAuthorization(UserNotificationCenter::alert,
                                [&](bool answer, std::optional<PlatformError> error) {
                                    granted = answer;
                                    received = error;
                                });
    loop.runUntilIdle();
    EXPECT_FALSE(granted);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->code(), 1);
    EXPECT_EQ(center.settings().authorizationStatus, Status::notDetermined);
    EXPECT_TRUE(center.authorizationPrompts().empty());
}

TEST_F(UserNotificationCenterTest, SettingsReportTheAlertStyleTheUserChose)
{
    authorize();
    center.setAlertSetting(Setting::disabled);
    std::optional<UserNotificationSettings> settings;
    center.getNotificationSettings([&](UserNotificationSettings answer) { settings = answer; });
    loop.runUntilIdle();
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->authorizationStatus, Status::authorized);
    EXPECT_EQ(settings->alertSetting, Setting::disabled);
}

TEST_F(UserNotificationCenterTest, CategoriesAreReplacedAsAWholeSet)
{
    center.setNotificationCategories({{"QUILLMRKER_TIMER", {}, {}, 0}, {"OLD", {}, {}, 0}});
    const NotificationCategory update{
        "QUILLMRKER_UPDATE",
        {{"RESTART_TO_UPDATE", "Restart to Update", NotificationCategoryAction::foreground}},
        {},
        0};
    center.setNotificationCategories({{"QUILLMRKER_TIMER", {}, {}, 0}, update});

    std::vector<NotificationCategory> categories;
    center.getNotificationCategories(
        [&](std::vector<NotificationCategory> answer) { categories = std::move(answer); });
    loop.runUntilIdle();
    ASSERT_EQ(categories.size(), 2u);
    EXPECT_EQ(categories[1], update);
}

TEST_F(UserNotificationCenterTest, AddingWithoutPermissionIsRefused)
{
    for (Status status : {Status::notDetermined, Status::denied}) {
        center.setAuthorizationStatus(status);
        const auto error = add(timer("T", 60));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), "UNErrorDomain");
        EXPECT_EQ(error->code(), UserNotificationCenter::errorNotificationsNotAllowed);
        EXPECT_TRUE(center.pendingRequests().empty());
    }
}

TEST_F(UserNotificationCenterTest, ATimeIntervalRequestIsDeliveredWhenTheClockReachesItsFireDate)
{
    authorize();
    const double start = clock.now();
    ASSERT_FALSE(add(timer("T", 60)));
    EXPECT_EQ(identifiers(center.pendingRequests()), Ids{"T"});

    loop.advance(59);
    EXPECT_TRUE(center.deliveredNotifications().empty());
    loop.advance(1);
    EXPECT_TRUE(center.pendingRequests().empty());
    const auto delivered = center.deliveredNotifications();
    ASSERT_EQ(identifiers(delivered), Ids{"T"});
    EXPECT_EQ(delivered[0].date, start + 60);
    EXPECT_EQ(delivered[0].request.content.body, "tea");
    EXPECT_EQ(delivered[0].request.content.userInfo.get<double>("qm_fireAt"), 1.5);
}

TEST_F(UserNotificationCenterTest, APendingTriggerStillNamesItsRealFireDate)
{
    authorize();
    const double start = clock.now();
    ASSERT_FALSE(add(timer("T", 300)));
    loop.advance(100);

    std::vector<NotificationRequest> pending;
    center.getPendingNotificationRequests(
        [&](std::vector<NotificationRequest> answer) { pending = std::move(answer); });
    loop.runUntilIdle();
    ASSERT_EQ(pending.size(), 1u);
    ASSERT_TRUE(pending[0].trigger);
    EXPECT_EQ(pending[0].trigger->timeInterval(), 300);
    EXPECT_EQ(pending[0].trigger->nextTriggerDate(clock.now()), start + 300);
}

TEST_F(UserNotificationCenterTest, AddingUnderAPendingIdentifierReplacesTheRequest)
{
    authorize();
    ASSERT_FALSE(add(timer("T", 60)));
    ASSERT_FALSE(add(timer("T", 120)));
    EXPECT_EQ(identifiers(center.pendingRequests()), Ids{"T"});

    loop.advance(60);
    EXPECT_TRUE(center.deliveredNotifications().empty()) << "the replaced request must not fire";
    loop.advance(60);
    EXPECT_EQ(identifiers(center.deliveredNotifications()), Ids{"T"});
}

TEST_F(UserNotificationCenterTest, RemovedRequestsNeverFire)
{
    authorize();
    for (const char* id : {"A", "B", "C"}) {
        ASSERT_FALSE(add(timer(id, 60)));
    }
    center.removePendingNotificationRequests({"B", "unknown"});
    EXPECT_EQ(identifiers(center.pendingRequests()), (Ids{"A", "C"}));
    loop.advance(60);
    EXPECT_EQ(identifiers(center.deliveredNotifications()), (Ids{"A", "C"}));

    ASSERT_FALSE(add(timer("D", 60)));
    ASSERT_FALSE(add(timer("E", 90)));
    center.removeAllPendingNotificationRequests();
    loop.advance(100);
    EXPECT_EQ(identifiers(center.deliveredNotifications()), (Ids{"A", "C"}))
        << "removal leaves delivered ones";
}

TEST_F(UserNotificationCenterTest, ARepeatingRequestFiresEveryIntervalAndStaysPending)
{
    authorize();
    const double start = clock.now();
    ASSERT_FALSE(add(timer("R", 60, true)));
    for (int minute = 1; minute <= 3; ++minute) {
        loop.advance(60);
        const auto delivered = center.deliveredNotifications();
        ASSERT_EQ(delivered.size(), 1u) << "a new delivery replaces the one with the same identifier";
        EXPECT_EQ(delivered[0].date, start + 60 * minute);
        EXPECT_EQ(identifiers(center.pendingRequests()), Ids{"R"});
    }
    center.removePendingNotificationRequests({"R"});
    loop.advance(120);
    EXPECT_EQ(center.deliveredNotifications()[0].date, start + 180);
}

TEST_F(UserNotificationCenterTest, ARequestWithoutTriggerIsDeliveredAtOnce)
{
    authorize();
    ASSERT_FALSE(add(request("QUILLMRKER_APP_UPDATE", std::nullopt)));
    EXPECT_TRUE(center.pendingRequests().empty());
    EXPECT_EQ(identifiers(center.deliveredNotifications()), Ids{"QUILLMRKER_APP_UPDATE"});
}

TEST_F(UserNotificationCenterTest, ACalendarRequestIsDeliveredAtTheMatchingMinute)
{
    authorize();
    // 2023-11-14 22:20 UTC, 400 s after the clock's start.
    const NotificationTrigger::DateMatch match{
        .year = 2023, .month = 11, .day = 14, .hour = 22, .minute = 20, .timeZoneId = "UTC"};
    ASSERT_FALSE(add(request("A", NotificationTrigger::calendar(match, false))));
    loop.advance(399);
    EXPECT_TRUE(center.deliveredNotifications().empty());
    loop.advance(1);
    const auto delivered = center.deliveredNotifications();
    ASSERT_EQ(identifiers(delivered), Ids{"A"});
    EXPECT_EQ(delivered[0].date, 1'700'000'400.0);
}

TEST_F(UserNotificationCenterTest, AScriptedAddFailureOrSilentDropKeepsNothing)
{
    authorize();
    center.failNextAdd(PlatformError("UNErrorDomain", 100, "Invalid attachment"));
    const auto error = add(timer("A", 60));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "Invalid attachment");

    center.dropNextAdd();
    EXPECT_FALSE(add(timer("B", 60))) << "the system reports success";
    EXPECT_TRUE(center.pendingRequests().empty());
    ASSERT_FALSE(add(timer("C", 60)));
    EXPECT_EQ(identifiers(center.pendingRequests()), Ids{"C"});
}

TEST_F(UserNotificationCenterTest, TheDelegateDecidesThePresentationOnlyWhileTheProgramIsFrontmost)
{
    authorize();
    auto delegate = std::make_shared<RecordingDelegate>();
    center.setDelegate(delegate);
    ASSERT_FALSE(add(timer("background", 60)));
    loop.advance(60);
    EXPECT_TRUE(delegate->presented.empty());
    EXPECT_EQ(center.presentationOptions("background"), std::nullopt);

    center.setApplicationActive(true);
    ASSERT_FALSE(add(timer("front", 60)));
    loop.advance(60);
    ASSERT_EQ(delegate->presented.size(), 1u);
    EXPECT_EQ(delegate->presented[0].request.identifier, "front");
    EXPECT_EQ(center.presentationOptions("front"), 26u);

    delegate.reset();
    ASSERT_FALSE(add(timer("after", 60)));
    loop.advance(60);
    EXPECT_EQ(center.delegate(), nullptr) << "the centre does not keep its delegate alive";
    EXPECT_EQ(identifiers(center.deliveredNotifications()), (Ids{"background", "front", "after"}));
}

TEST_F(UserNotificationCenterTest, TheUsersResponseReachesTheDelegateOnTheMainLoop)
{
    authorize();
    auto delegate = std::make_shared<RecordingDelegate>();
    center.setDelegate(delegate);
    ASSERT_FALSE(add(request("U", std::nullopt)));

    EXPECT_FALSE(center.respond("unknown", std::string(UserNotificationResponse::defaultActionIdentifier)));
    ASSERT_TRUE(center.respond("U", "RESTART_TO_UPDATE"));
    EXPECT_TRUE(delegate->responses.empty());
    loop.runUntilIdle();
    ASSERT_EQ(delegate->responses.size(), 1u);
    EXPECT_EQ(delegate->responses[0].actionIdentifier, "RESTART_TO_UPDATE");
    EXPECT_EQ(delegate->responses[0].notification.request.identifier, "U");
    EXPECT_EQ(center.completedResponses(), 1);
}

TEST_F(UserNotificationCenterTest, DeliveredNotificationsCanBeRemoved)
{
    authorize();
    ASSERT_FALSE(add(request("A", std::nullopt)));
    ASSERT_FALSE(add(request("B", std::nullopt)));
    center.removeDeliveredNotifications({"A"});
    std::vector<UserNotification> delivered;
    center.getDeliveredNotifications(
        [&](std::vector<UserNotification> answer) { delivered = std::move(answer); });
    loop.runUntilIdle();
    EXPECT_EQ(identifiers(delivered), Ids{"B"});
    center.removeAllDeliveredNotifications();
    EXPECT_TRUE(center.deliveredNotifications().empty());
}

TEST_F(UserNotificationCenterTest, ADestroyedCentreLeavesNoDeliveryBehind)
{
    {
        SimUserNotificationCenter shortLived(loop, clock);
        shortLived.setAuthorizationStatus(Status::authorized);
        shortLived.add(timer("T", 60));
        shortLived.add(request("now", std::nullopt));
    }
    EXPECT_EQ(loop.pendingCount(), 0u);
    EXPECT_EQ(loop.advance(120), 0u);
}

TEST_F(UserNotificationCenterTest, CallsFromSeveralThreadsAreAnsweredOnTheMainLoop)
{
    authorize();
    constexpr int kThreads = 4;
    constexpr int kEach = 25;
    std::atomic<int> answered{0};
    std::atomic<bool> offMain{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                center.add(timer("T" + std::to_string(t) + "-" + std::to_string(i), 60),
                           [&](std::optional<PlatformError> error) {
                               offMain = offMain || !loop.isMainThread() || error.has_value();
                               ++answered;
                           });
                center.getNotificationSettings([&](UserNotificationSettings) {
                    offMain = offMain || !loop.isMainThread();
                    ++answered;
                });
            }
        });
    }
    EXPECT_TRUE(loop.runUntil([&] { return answered.load() == 2 * kThreads * kEach; }));
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_FALSE(offMain);
    EXPECT_EQ(center.pendingRequests().size(), static_cast<std::size_t>(kThreads * kEach));
    loop.advance(60);
    EXPECT_EQ(center.deliveredNotifications().size(), static_cast<std::size_t>(kThreads * kEach));
}

}  // namespace
}  // namespace qm
