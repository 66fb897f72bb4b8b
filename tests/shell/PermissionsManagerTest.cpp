#include "shell/PermissionsManager.h"

#include <atomic>
#include <memory>

#include <gtest/gtest.h>

#include "platform/eventstore/EventStore.h"
#include "platform/notifications/UserNotificationCenter.h"
#include "platform/sim/accessibility/SimAccessibilityTrust.h"
#include "platform/sim/desktop/SimDesktopState.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"
#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimWorkspace.h"

namespace qm {
namespace {

using Entity = EventStoreEntityType;
using StoreStatus = EventStoreAuthorizationStatus;
using NotificationStatus = UserNotificationSettings::AuthorizationStatus;
using AlertSetting = UserNotificationSettings::Setting;

class PermissionsManagerTest : public testing::Test {
protected:
    using Operation = void (PermissionsManager::*)(PermissionsManager::Completion);

    // Stores come from the backend of the moment, or from `makeStore` when a test sets it.
    EventStore::Factory eventStores()
    {
        return [this] { return makeStore ? makeStore() : events->makeStore(); };
    }

    // Starts an asynchronous operation, pumps the main loop, and returns its
    // one answer; nothing when it never answered.
    std::optional<bool> answer(Operation operation) { return answer(permissions, operation); }
    std::optional<bool> answer(PermissionsManager& manager, Operation operation)
    {
        std::optional<bool> result;
        int calls = 0;
        (manager.*operation)([&](bool value) {
            ++calls;
            result = value;
        });
        EXPECT_FALSE(result) << "the answer comes from the system, later";
        loop.runUntilIdle();
        EXPECT_EQ(calls, 1);
        return result;
    }

    SimClock clock;
    SimMainLoop loop{clock};
    std::shared_ptr<SimDesktopState> desktop = std::make_shared<SimDesktopState>(loop);
    SimAccessibilityTrust trust{desktop};
    SimWorkspace workspace{desktop, 4242};
    SimUserNotificationCenter notifications{loop, clock};
    std::shared_ptr<SimEventStoreBackend> events = std::make_shared<SimEventStoreBackend>(loop);
    EventStore::Factory makeStore;
    PermissionsManager permissions{trust, workspace, notifications, eventStores()};
};

TEST_F(PermissionsManagerTest, EachSettingsOpenerOpensItsPane)
{
    struct Case {
        void (PermissionsManager::*open)();
        const char* url;
    };
    const Case cases[] = {
        {&PermissionsManager::openAccessibilitySettings,
         "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"},
        {&PermissionsManager::openRemindersSettings,
         "x-apple.systempreferences:com.apple.preference.security?Privacy_Reminders"},
        {&PermissionsManager::openCalendarSettings,
         "x-apple.systempreferences:com.apple.preference.security?Privacy_Calendars"},
        {&PermissionsManager::openNotificationSettings,
         "x-apple.systempreferences:com.apple.Notifications-Settings.extension"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        (permissions.*c.open)();
        ASSERT_FALSE(workspace.openedURLs().empty());
        EXPECT_EQ(workspace.openedURLs().back(), c.url);
    }
    EXPECT_EQ(workspace.openedURLs().size(), 4u);
}

TEST_F(PermissionsManagerTest, AccessibilityChecksPromptOnlyWhenAsked)
{
    trust.setTrusted(false);
    EXPECT_FALSE(permissions.isAccessibilityTrusted());
    EXPECT_FALSE(permissions.requestAccessibility(false));
    EXPECT_EQ(trust.promptCount(), 0) << "without the prompt option it is the plain check";

    trust.setPromptAnswer(true);
    EXPECT_FALSE(permissions.requestAccessibility(true)) << "the trust at the moment of the call";
    EXPECT_EQ(trust.promptCount(), 1);
    EXPECT_TRUE(permissions.isAccessibilityTrusted()) << "a later check sees the grant";

    EXPECT_TRUE(permissions.requestAccessibility(true));
    EXPECT_TRUE(permissions.requestAccessibility(false));
    EXPECT_EQ(trust.promptCount(), 1) << "a trusted process is not prompted again";
}

TEST_F(PermissionsManagerTest, RemindersNeedFullAccessWhileCalendarsAlsoAcceptWriteOnly)
{
    struct Case {
        const char* what;
        bool macOS14;
        StoreStatus status;
        bool reminders;
        bool calendars;
    };
    const Case cases[] = {
        {"never asked", true, StoreStatus::notDetermined, false, false},
        {"restricted", true, StoreStatus::restricted, false, false},
        {"denied", true, StoreStatus::denied, false, false},
        {"full access", true, StoreStatus::fullAccess, true, true},
        {"write-only", true, StoreStatus::writeOnly, false, true},
        {"authorized before macOS 14", false, StoreStatus::fullAccess, true, true},
        {"an unexpected write-only before macOS 14", false, StoreStatus::writeOnly, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        events->setSupportsFullAccessRequests(c.macOS14);
        events->setAuthorizationStatus(Entity::reminder, c.status);
        events->setAuthorizationStatus(Entity::event, c.status);
        EXPECT_EQ(permissions.isRemindersAuthorized(), c.reminders);
        EXPECT_EQ(permissions.isCalendarAuthorized(), c.calendars);
    }
    EXPECT_TRUE(events->accessPrompts().empty()) << "checks never prompt";
}

TEST_F(PermissionsManagerTest, EventStoreRequestsAnswerTrueOnlyForAGrant)
{
    struct Case {
        const char* what;
        Entity type;
        bool macOS14;
        StoreStatus initial;
        std::optional<bool> promptAnswer;
        bool fails;
        bool expected;
    };
    const Case cases[] = {
        {"reminders allowed at the prompt", Entity::reminder, true, StoreStatus::notDetermined, true, false,
         true},
        {"reminders refused at the prompt", Entity::reminder, true, StoreStatus::notDetermined, false, false,
         false},
        {"reminders refused before", Entity::reminder, true, StoreStatus::denied, std::nullopt, false, false},
        {"reminders request failing", Entity::reminder, true, StoreStatus::notDetermined, std::nullopt, true,
         false},
        {"calendars allowed at the prompt", Entity::event, true, StoreStatus::notDetermined, true, false,
         true},
        {"calendars granted before", Entity::event, true, StoreStatus::fullAccess, std::nullopt, false, true},
        {"write-only calendars raised to full access", Entity::event, true, StoreStatus::writeOnly, true,
         false, true},
        {"calendars request failing", Entity::event, true, StoreStatus::notDetermined, std::nullopt, true,
         false},
        {"calendars before macOS 14", Entity::event, false, StoreStatus::notDetermined, true, false, true},
        {"reminders before macOS 14, refused", Entity::reminder, false, StoreStatus::notDetermined, false,
         false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        events = std::make_shared<SimEventStoreBackend>(loop);
        events->setSupportsFullAccessRequests(c.macOS14);
        events->setAuthorizationStatus(c.type, c.initial);
        if (c.promptAnswer) {
            events->answerNextAccessPrompt(c.type, *c.promptAnswer);
        }
        if (c.fails) {
            events->failNextAccessRequest(c.type, PlatformError("EKErrorDomain", 5, "Internal failure"));
        }
        const auto result = answer(c.type == Entity::event ? &PermissionsManager::requestCalendarAccess
                                                           : &PermissionsManager::requestRemindersAccess);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(events->accessPrompts().size(), c.promptAnswer ? 1u : 0u);
    }
}

// A store that misbehaves as a platform might: it answers twice, with a
// granted flag next to an error, and only after the caller's stack unwound.
class MisbehavingEventStore final : public EventStore {
public:
    explicit MisbehavingEventStore(MainLoop& loop) : loop_(loop) { ++alive; }
    ~MisbehavingEventStore() override { --alive; }

    EventStoreAuthorizationStatus authorizationStatus(EventStoreEntityType) const override
    {
        return EventStoreAuthorizationStatus::notDetermined;
    }
    bool supportsFullAccessRequests() const override { return true; }
    void requestFullAccessToEvents(AccessCompletion completion) override
    {
        answerTwice(std::move(completion));
    }
    void requestFullAccessToReminders(AccessCompletion completion) override
    {
        answerTwice(std::move(completion));
    }
    void requestAccess(EventStoreEntityType, AccessCompletion completion) override
    {
        answerTwice(std::move(completion));
    }
    std::optional<EventStoreCalendar> defaultCalendarForNewEvents() const override { return std::nullopt; }
    std::optional<EventStoreCalendar> defaultCalendarForNewReminders() const override { return std::nullopt; }
    std::optional<PlatformError> saveReminder(Reminder&) override { return std::nullopt; }
    std::optional<PlatformError> saveEvent(CalendarEvent&) override { return std::nullopt; }
    std::vector<Reminder> fetchReminders() const override { return {}; }
    std::vector<CalendarEvent> fetchEvents(double, double) const override { return {}; }

    static inline std::atomic<int> alive{0};
    static inline std::atomic<int> aliveWhenAnswering{-1};

private:
    void answerTwice(AccessCompletion completion)
    {
        loop_.post([completion] {
            aliveWhenAnswering = alive.load();
            completion(true, PlatformError("EKErrorDomain", 29, "Not authorized"));
            completion(true, std::nullopt);
        });
    }

    MainLoop& loop_;
};

TEST_F(PermissionsManagerTest, AnEventStoreAnswerCountsOnceAndAnErrorMeansRefused)
{
    makeStore = [this] { return std::make_unique<MisbehavingEventStore>(loop); };
    for (Operation operation :
         {&PermissionsManager::requestCalendarAccess, &PermissionsManager::requestRemindersAccess}) {
        EXPECT_EQ(answer(operation), false);
        EXPECT_EQ(MisbehavingEventStore::aliveWhenAnswering.load(), 1) << "the store lives until it answered";
        EXPECT_EQ(MisbehavingEventStore::alive.load(), 0) << "and no longer";
    }
}

TEST_F(PermissionsManagerTest, NotificationsCountOnlyWithAnAllowingStatusAndAlertsOn)
{
    struct Case {
        NotificationStatus status;
        AlertSetting alerts;
        bool expected;
    };
    const Case cases[] = {
        {NotificationStatus::authorized, AlertSetting::enabled, true},
        {NotificationStatus::authorized, AlertSetting::notSupported, true},
        {NotificationStatus::authorized, AlertSetting::disabled, false},
        {NotificationStatus::provisional, AlertSetting::enabled, true},
        {NotificationStatus::ephemeral, AlertSetting::enabled, true},
        {NotificationStatus::denied, AlertSetting::enabled, false},
        {NotificationStatus::notDetermined, AlertSetting::enabled, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "status " << static_cast<int>(c.status) << ", alerts " << static_cast<int>(c.alerts));
        notifications.setAuthorizationStatus(c.status);
        notifications.setAlertSetting(c.alerts);
        EXPECT_EQ(answer(&PermissionsManager::isNotificationsAuthorized), c.expected);
    }
    EXPECT_TRUE(notifications.authorizationPrompts().empty()) << "the check never prompts";
}

TEST_F(PermissionsManagerTest, ANotificationsRequestIsTrueOnlyWhenGrantedWithAlertsOn)
{
    struct Case {
        const char* what;
        NotificationStatus initial;
        std::optional<bool> promptAnswer;
        AlertSetting alerts;
        bool fails;
        bool expected;
    };
    const Case cases[] = {
        {"allowed at the prompt", NotificationStatus::notDetermined, true, AlertSetting::enabled, false,
         true},
        {"allowed, but alerts are off", NotificationStatus::notDetermined, true, AlertSetting::disabled,
         false, false},
        {"refused at the prompt", NotificationStatus::notDetermined, false, AlertSetting::enabled, false,
         false},
        {"the request fails", NotificationStatus::notDetermined, std::nullopt, AlertSetting::enabled, true,
         false},
        {"granted before", NotificationStatus::authorized, std::nullopt, AlertSetting::enabled, false, true},
        {"refused before", NotificationStatus::denied, std::nullopt, AlertSetting::enabled, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimUserNotificationCenter center(loop, clock);
        PermissionsManager manager(trust, workspace, center, eventStores());
        center.setAuthorizationStatus(c.initial);
        center.setAlertSetting(c.alerts);
        if (c.promptAnswer) {
            center.answerNextAuthorizationPrompt(*c.promptAnswer);
        }
        if (c.fails) {
            center.failNextAuthorizationRequest(
                PlatformError("UNErrorDomain", 1, "Notifications are not allowed"));
        }
        EXPECT_EQ(answer(manager, &PermissionsManager::requestNotificationsAccess), c.expected);
        const auto prompts = center.authorizationPrompts();
        ASSERT_EQ(prompts.size(), c.promptAnswer ? 1u : 0u);
        if (!prompts.empty()) {
            EXPECT_EQ(prompts[0], UserNotificationCenter::alert | UserNotificationCenter::sound |
                                      UserNotificationCenter::badge);
        }
    }
}

}  // namespace
}  // namespace qm
