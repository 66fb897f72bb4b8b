#include "platform/linux/notifications/DBusUserNotificationCenter.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "base/Json.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "support/FakeNotificationServer.h"
#include "support/PrivateSessionBus.h"
#include "support/QtTestApplication.h"
#include "support/TempDir.h"

namespace qm {
namespace {

using namespace std::chrono_literals;
using Delegate = UserNotificationCenterDelegate;
using test::FakeNotificationServer;

class RecordingDelegate : public Delegate {
public:
    void willPresent(const UserNotification& notification,
                     std::function<void(PresentationOptions)> completion) override
    {
        presented.push_back(notification.request.identifier);
        completion(presentation);
    }
    void didReceive(const UserNotificationResponse& response, std::function<void()> completion) override
    {
        responses.push_back(response);
        completion();
    }

    PresentationOptions presentation = Delegate::banner | Delegate::list | Delegate::sound;
    std::vector<std::string> presented;
    std::vector<UserNotificationResponse> responses;
};

NotificationCategory updateCategory(unsigned options = 0)
{
    return NotificationCategory{
        "QUILLMRKER_UPDATE",
        {{"RESTART_TO_UPDATE", "Restart to Update", NotificationCategoryAction::foreground}},
        {},
        options};
}

NotificationRequest request(std::string identifier, std::optional<NotificationTrigger> trigger,
                            std::string category = "QUILLMRKER_TIMER")
{
    NotificationRequest result;
    result.identifier = std::move(identifier);
    result.content.title = "Timer finished";
    result.content.body = "tea";
    result.content.sound = std::string(NotificationContent::defaultSound);
    result.content.categoryIdentifier = std::move(category);
    result.content.userInfo.set("qm_fireAt", SimClock::kDefaultStart + 60);
    result.trigger = std::move(trigger);
    return result;
}

NotificationRequest timer(std::string identifier, double interval)
{
    return request(std::move(identifier), NotificationTrigger::timeInterval(interval, false));
}

class DBusUserNotificationCenterTest : public ::testing::Test {
protected:
    std::unique_ptr<DBusUserNotificationCenter> makeCenter(QDBusConnection connection, int timeoutMs = 2000)
    {
        auto center = std::make_unique<DBusUserNotificationCenter>(
            loop, clock, connection,
            DBusUserNotificationCenter::Configuration{"Quillmarker", scheduleFile, [this] { return active; },
                                                      timeoutMs});
        center->setDelegate(delegate);
        return center;
    }
    std::unique_ptr<DBusUserNotificationCenter> makeCenter() { return makeCenter(bus.connect()); }

    // Runs the main loop and Qt's events (the bus) until `done`, within a bound.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5000ms)
    {
        return test::pumpQtUntil(
            [&] {
                loop.runUntilIdle();
                return done();
            },
            timeout);
    }
    // Long enough for any stray call or signal to arrive.
    void settle()
    {
        pumpUntil([] { return false; }, 150ms);
    }

    std::optional<PlatformError> add(UserNotificationCenter& center, NotificationRequest item)
    {
        bool done = false;
        std::optional<PlatformError> result;
        center.add(std::move(item), [&](std::optional<PlatformError> error) {
            result = std::move(error);
            done = true;
        });
        EXPECT_TRUE(pumpUntil([&] { return done; }));
        return result;
    }

    std::vector<std::string> pending(UserNotificationCenter& center)
    {
        std::optional<std::vector<std::string>> result;
        center.getPendingNotificationRequests([&](std::vector<NotificationRequest> requests) {
            result.emplace();
            for (const auto& item : requests) {
                result->push_back(item.identifier);
            }
        });
        EXPECT_TRUE(pumpUntil([&] { return result.has_value(); }));
        return result.value_or(std::vector<std::string>{"<no answer>"});
    }

    std::size_t scheduledInFile()
    {
        std::error_code error;
        const auto text = file::readAll(scheduleFile, error);
        const auto document = text ? json::parse(*text) : std::nullopt;
        const auto* requests = document ? json::arrayAt(*document, "requests") : nullptr;
        return requests ? requests->size() : 999;
    }

    QApplication& application = test::qtApplication();
    test::PrivateSessionBus bus;
    test::TempDir folder;
    std::filesystem::path scheduleFile = folder / "data" / "notification-schedule.json";
    SimClock clock;
    SimMainLoop loop{clock};
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    bool active = false;
};

class DBusNotificationsWithServer : public DBusUserNotificationCenterTest {
protected:
    FakeNotificationServer server{bus};
};

TEST_F(DBusNotificationsWithServer, ShowsARequestWithoutTriggerWithItsCategorysActions)
{
    auto center = makeCenter();
    center->setNotificationCategories({updateCategory()});
    auto update = request("QUILLMRKER_APP_UPDATE", std::nullopt, "QUILLMRKER_UPDATE");
    update.content.title = "Update available";
    update.content.body = "Version 2.0 is ready";

    EXPECT_EQ(add(*center, update), std::nullopt);

    ASSERT_EQ(server.notifyCalls().size(), 1u);
    const auto& call = server.notifyCalls()[0];
    EXPECT_EQ(call.appName, "Quillmarker");
    EXPECT_EQ(call.summary, "Update available");
    EXPECT_EQ(call.body, "Version 2.0 is ready");
    EXPECT_EQ(call.actions, (QStringList{"default", "Open", "RESTART_TO_UPDATE", "Restart to Update"}));
    EXPECT_EQ(call.hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_TRUE(pending(*center).empty());

    bool listed = false;
    center->getDeliveredNotifications([&](std::vector<UserNotification> delivered) {
        listed = delivered.size() == 1 && delivered[0].request.identifier == "QUILLMRKER_APP_UPDATE";
    });
    EXPECT_TRUE(pumpUntil([&] { return listed; }));
}

TEST_F(DBusNotificationsWithServer, ShowingTheSameIdentifierAgainReplacesTheShownNotification)
{
    auto center = makeCenter();
    add(*center, request("same", std::nullopt));
    add(*center, request("same", std::nullopt));
    ASSERT_EQ(server.notifyCalls().size(), 2u);
    EXPECT_EQ(server.notifyCalls()[0].replacesId, 0u);
    EXPECT_EQ(server.notifyCalls()[1].replacesId, 1u);

    center->removeDeliveredNotifications({"same"});
    EXPECT_TRUE(pumpUntil([&] { return server.closeCalls().size() == 1; }));
    EXPECT_EQ(server.closeCalls(), std::vector<quint32>{1});
}

TEST_F(DBusNotificationsWithServer, ATimerSurvivesARestartAndIsDeliveredExactlyOnce)
{
    auto center = makeCenter();
    EXPECT_EQ(add(*center, timer("tea", 60)), std::nullopt);
    EXPECT_EQ(pending(*center), std::vector<std::string>{"tea"});
    EXPECT_EQ(file::permissions(scheduleFile), mode_t{0600});
    EXPECT_EQ(scheduledInFile(), 1u);

    center.reset();  // the program quits
    loop.advance(30);
    center = makeCenter();  // and starts again
    EXPECT_EQ(pending(*center), std::vector<std::string>{"tea"});
    loop.advance(29);
    settle();
    EXPECT_TRUE(server.notifyCalls().empty()) << "fired early";

    // By the time the server hears of it, the schedule on disk no longer
    // holds it: a crash from here on cannot bring it back.
    std::optional<std::size_t> scheduledWhenShown;
    server.onNotify = [&] { scheduledWhenShown = scheduledInFile(); };
    loop.advance(1);  // to the fire date exactly, and no further
    ASSERT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 1; }));
    EXPECT_EQ(scheduledWhenShown, 0u);
    EXPECT_EQ(server.notifyCalls()[0].summary, "Timer finished");
    EXPECT_EQ(scheduledInFile(), 0u);
    EXPECT_TRUE(pending(*center).empty());

    loop.advance(3600);
    center.reset();
    center = makeCenter();
    loop.advance(3600);
    settle();
    EXPECT_EQ(server.notifyCalls().size(), 1u);
}

TEST_F(DBusNotificationsWithServer, ATimeThatPassedWhileTheProgramWasOffIsDeliveredOnceAtStart)
{
    auto center = makeCenter();
    add(*center, timer("missed", 60));
    add(*center, timer("later", 7200));
    center.reset();

    clock.advance(3600);
    center = makeCenter();
    ASSERT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 1; }));
    EXPECT_EQ(pending(*center), std::vector<std::string>{"later"});
    EXPECT_EQ(scheduledInFile(), 1u);

    center.reset();
    center = makeCenter();
    settle();
    EXPECT_EQ(server.notifyCalls().size(), 1u);
    loop.advance(3601);
    EXPECT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 2; }));
}

TEST_F(DBusNotificationsWithServer, ARepeatingTriggerStaysScheduledWithItsNextDate)
{
    auto center = makeCenter();
    add(*center, request("hourly", NotificationTrigger::timeInterval(3600, true)));
    loop.advance(3600);
    ASSERT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 1; }));
    EXPECT_EQ(pending(*center), std::vector<std::string>{"hourly"});

    center.reset();
    center = makeCenter();
    loop.advance(3599);
    settle();
    EXPECT_EQ(server.notifyCalls().size(), 1u);
    loop.advance(1);
    EXPECT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 2; }));
}

TEST_F(DBusNotificationsWithServer, RemovedRequestsAreNeverDeliveredNorReloaded)
{
    auto center = makeCenter();
    add(*center, timer("a", 60));
    add(*center, timer("b", 120));
    add(*center, timer("c", 180));
    center->removePendingNotificationRequests({"a", "unknown"});
    EXPECT_EQ(pending(*center), (std::vector<std::string>{"b", "c"}));

    center.reset();
    center = makeCenter();
    EXPECT_EQ(pending(*center), (std::vector<std::string>{"b", "c"}));
    loop.advance(150);
    ASSERT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 1; }));
    center->removeAllPendingNotificationRequests();
    EXPECT_TRUE(pending(*center).empty());
    EXPECT_EQ(scheduledInFile(), 0u);
    loop.advance(3600);
    settle();
    EXPECT_EQ(server.notifyCalls().size(), 1u);
}

TEST_F(DBusNotificationsWithServer, ACalendarTriggerFiresAtItsDate)
{
    auto center = makeCenter();
    // 2023-11-14 22:15:00 UTC, a little after the clock's start.
    NotificationTrigger::DateMatch match{.year = 2023, .month = 11, .day = 14, .hour = 22, .minute = 15};
    match.timeZoneId = "UTC";
    add(*center, request("alarm", NotificationTrigger::calendar(match, false), "QUILLMRKER_ALARM"));
    center.reset();
    center = makeCenter();
    loop.advance(99);
    settle();
    EXPECT_TRUE(server.notifyCalls().empty());
    loop.advance(1);
    EXPECT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 1; }));
}

// What the user does to a shown notification, and what the delegate hears.
struct ResponseCase {
    const char* title;
    unsigned categoryOptions;
    const char* actionKey;  // an action invoked, or nullptr for a close
    quint32 closeReason;
    std::optional<std::string> heard;
};

class DBusNotificationResponses : public DBusNotificationsWithServer,
                                  public ::testing::WithParamInterface<ResponseCase> {};

TEST_P(DBusNotificationResponses, ReachTheDelegateOnTheMainLoop)
{
    const auto& param = GetParam();
    auto center = makeCenter();
    center->setNotificationCategories({updateCategory(param.categoryOptions)});
    add(*center, request("QUILLMRKER_APP_UPDATE", std::nullopt, "QUILLMRKER_UPDATE"));
    ASSERT_EQ(server.notifyCalls().size(), 1u);

    if (param.actionKey) {
        server.invokeAction(server.lastId(), param.actionKey);
    }
    server.close(server.lastId(), param.closeReason);
    server.invokeAction(server.lastId() + 100, "RESTART_TO_UPDATE");  // someone else's notification
    test::pumpQtFor(100ms);  // the bus alone, the main loop standing still
    EXPECT_TRUE(delegate->responses.empty()) << "heard outside the main loop";
    if (param.heard) {
        ASSERT_TRUE(pumpUntil([&] { return !delegate->responses.empty(); })) << param.title;
        EXPECT_EQ(delegate->responses[0].actionIdentifier, *param.heard) << param.title;
        EXPECT_EQ(delegate->responses[0].notification.request.identifier, "QUILLMRKER_APP_UPDATE");
    }
    settle();
    EXPECT_EQ(delegate->responses.size(), param.heard ? 1u : 0u) << param.title;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DBusNotificationResponses,
    ::testing::Values(ResponseCase{"an action", 0, "RESTART_TO_UPDATE", 2, "RESTART_TO_UPDATE"},
                      ResponseCase{"a click", 0, "default", 2,
                                   std::string(UserNotificationResponse::defaultActionIdentifier)},
                      ResponseCase{"an action, dismissals heard", NotificationCategory::customDismissAction,
                                   "RESTART_TO_UPDATE", 2, "RESTART_TO_UPDATE"},
                      ResponseCase{"a dismissal, heard", NotificationCategory::customDismissAction, nullptr,
                                   2, std::string(UserNotificationResponse::dismissActionIdentifier)},
                      ResponseCase{"a dismissal, not asked for", 0, nullptr, 2, std::nullopt},
                      ResponseCase{"expired", NotificationCategory::customDismissAction, nullptr, 1,
                                   std::nullopt}));

TEST_F(DBusNotificationsWithServer, WhileFrontmostTheDelegateDecidesHowItShows)
{
    active = true;
    auto center = makeCenter();
    add(*center, request("shown", std::nullopt));
    EXPECT_EQ(delegate->presented, std::vector<std::string>{"shown"});
    EXPECT_EQ(server.notifyCalls().size(), 1u);

    delegate->presentation = Delegate::banner;  // no sound
    add(*center, request("quiet", std::nullopt));
    ASSERT_EQ(server.notifyCalls().size(), 2u);
    EXPECT_TRUE(server.notifyCalls()[1].hints.value("suppress-sound").toBool());

    delegate->presentation = 0;
    add(*center, request("hidden", std::nullopt));
    settle();
    EXPECT_EQ(server.notifyCalls().size(), 2u);
    EXPECT_EQ(delegate->presented, (std::vector<std::string>{"shown", "quiet", "hidden"}));
}

TEST_F(DBusNotificationsWithServer, AuthorizationIsGrantedWhenTheServerAnswers)
{
    auto center = makeCenter();
    std::optional<bool> granted;
    center->requestAuthorization(UserNotificationCenter::alert,
                                 [&](bool allowed, std::optional<PlatformError> error) {
                                     EXPECT_EQ(error, std::nullopt);
                                     granted = allowed;
                                 });
    ASSERT_TRUE(pumpUntil([&] { return granted.has_value(); }));
    EXPECT_TRUE(*granted);

    std::optional<UserNotificationSettings> settings;
    center->getNotificationSettings([&](UserNotificationSettings value) { settings = value; });
    ASSERT_TRUE(pumpUntil([&] { return settings.has_value(); }));
    EXPECT_EQ(*settings, (UserNotificationSettings{UserNotificationSettings::AuthorizationStatus::authorized,
                                                   UserNotificationSettings::Setting::enabled}));
}

struct MarkupCase {
    QStringList capabilities;
    QString body;
};

class DBusNotificationMarkup : public DBusUserNotificationCenterTest,
                               public ::testing::WithParamInterface<MarkupCase> {};

TEST_P(DBusNotificationMarkup, TheBodyReachesTheUserAsTyped)
{
    FakeNotificationServer server(bus, GetParam().capabilities);
    auto center = makeCenter();
    auto item = request("tea", std::nullopt);
    item.content.body = "tea & <b>biscuits</b>";
    EXPECT_EQ(add(*center, item), std::nullopt);
    ASSERT_EQ(server.notifyCalls().size(), 1u);
    EXPECT_EQ(server.notifyCalls()[0].body, GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(Cases, DBusNotificationMarkup,
                         ::testing::Values(MarkupCase{{"actions", "body"}, "tea & <b>biscuits</b>"},
                                           MarkupCase{{"actions", "body", "body-markup"},
                                                      "tea &amp; &lt;b&gt;biscuits&lt;/b&gt;"}));

// No notification server to talk to: a clear error, soon.
enum class Absence { noServerOnTheBus, noSessionBus, serverNeverAnswers };

class DBusNotificationServerAbsent : public DBusUserNotificationCenterTest,
                                     public ::testing::WithParamInterface<Absence> {};

TEST_P(DBusNotificationServerAbsent, AuthorizationFailsWithAClearErrorWithoutHanging)
{
    constexpr int timeoutMs = 300;
    std::optional<FakeNotificationServer> silent;
    QDBusConnection connection = bus.connect();
    if (GetParam() == Absence::serverNeverAnswers) {
        silent.emplace(bus, QStringList{"body"}, FakeNotificationServer::Mode::silent);
    } else if (GetParam() == Absence::noSessionBus) {
        connection = QDBusConnection::connectToBus(
            QString::fromStdString("unix:path=" + (folder / "no-bus-here").string()), "qm-test-no-bus");
        ASSERT_FALSE(connection.isConnected());
    }
    auto center = makeCenter(connection, timeoutMs);
    const auto started = std::chrono::steady_clock::now();

    std::optional<std::pair<bool, std::optional<PlatformError>>> answer;
    center->requestAuthorization(
        UserNotificationCenter::alert | UserNotificationCenter::sound,
        [&](bool granted, std::optional<PlatformError> error) { answer.emplace(granted, error); });
    ASSERT_TRUE(pumpUntil([&] { return answer.has_value(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(timeoutMs + 2000));
    EXPECT_FALSE(answer->first);
    ASSERT_TRUE(answer->second.has_value());
    EXPECT_EQ(answer->second->domain(), UserNotificationCenter::errorDomain);
    EXPECT_EQ(answer->second->code(), UserNotificationCenter::errorNotificationsNotAllowed);
    EXPECT_NE(
        answer->second->localizedDescription().find("no notification server answers on the session bus"),
        std::string::npos)
        << answer->second->localizedDescription();

    std::optional<UserNotificationSettings> settings;
    center->getNotificationSettings([&](UserNotificationSettings value) { settings = value; });
    ASSERT_TRUE(pumpUntil([&] { return settings.has_value(); }));
    EXPECT_EQ(settings->authorizationStatus, UserNotificationSettings::AuthorizationStatus::notDetermined);

    // Showing at once fails the same way; scheduling still keeps the request.
    const auto shown = add(*center, request("now", std::nullopt));
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->code(), UserNotificationCenter::errorNotificationsNotAllowed);
    EXPECT_EQ(add(*center, timer("later", 60)), std::nullopt);
    EXPECT_EQ(pending(*center), std::vector<std::string>{"later"});
    QDBusConnection::disconnectFromBus("qm-test-no-bus");
}

INSTANTIATE_TEST_SUITE_P(Cases, DBusNotificationServerAbsent,
                         ::testing::Values(Absence::noServerOnTheBus, Absence::noSessionBus,
                                           Absence::serverNeverAnswers));

// A schedule file that cannot be used is kept aside for the user and the
// centre starts with an empty schedule.
struct DamagedCase {
    const char* title;
    std::function<void(const std::filesystem::path&)> damage;
};

class DamagedNotificationSchedule : public DBusNotificationsWithServer,
                                    public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedNotificationSchedule, IsMovedAsideAndSchedulingGoesOn)
{
    std::filesystem::create_directories(scheduleFile.parent_path());
    GetParam().damage(scheduleFile);
    auto center = makeCenter();
    EXPECT_TRUE(std::filesystem::exists(scheduleFile.string() + ".corrupt")) << GetParam().title;
    EXPECT_TRUE(pending(*center).empty());

    EXPECT_EQ(add(*center, timer("tea", 60)), std::nullopt);
    EXPECT_EQ(scheduledInFile(), 1u);
    loop.advance(60);
    EXPECT_TRUE(pumpUntil([&] { return server.notifyCalls().size() == 1; }));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedNotificationSchedule,
    ::testing::Values(
        DamagedCase{"not JSON", [](const auto& path) { std::ofstream(path) << "{\"version\": 1, \"requ"; }},
        DamagedCase{"another shape", [](const auto& path) { std::ofstream(path) << "[1, 2, 3]"; }},
        DamagedCase{"a later version",
                    [](const auto& path) { std::ofstream(path) << R"({"version": 9, "requests": []})"; }},
        DamagedCase{
            "invalid UTF-8",
            [](const auto& path) { std::ofstream(path) << "{\"version\": 1, \"requests\": [\"\xff\"]}"; }},
        DamagedCase{"a folder in its place",
                    [](const auto& path) { std::filesystem::create_directories(path / "x"); }}));

}  // namespace
}  // namespace qm
