#include "shell/NotificationDelegate.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

constexpr const char* kDefaultAction = "com.apple.UNNotificationDefaultActionIdentifier";
constexpr const char* kDismissAction = "com.apple.UNNotificationDismissActionIdentifier";

class NotificationDelegateTest : public ::testing::Test {
protected:
    NotificationDelegateTest()
    {
        center.setAuthorizationStatus(SimUserNotificationCenter::AuthorizationStatus::authorized);
        center.setDelegate(delegate);
    }

    void deliver(const std::string& identifier, const std::string& category)
    {
        NotificationRequest request;
        request.identifier = identifier;
        request.content.title = identifier;
        request.content.categoryIdentifier = category;
        std::optional<PlatformError> failure;
        center.add(request, [&](std::optional<PlatformError> error) { failure = error; });
        loop.runUntilIdle();
        ASSERT_FALSE(failure) << identifier;
    }

    SimClock clock;
    SimMainLoop loop{clock};
    SimUserNotificationCenter center{loop, clock};
    int installs = 0;
    std::shared_ptr<NotificationDelegate> delegate =
        std::make_shared<NotificationDelegate>(loop, [this] { ++installs; });
};

TEST_F(NotificationDelegateTest, EveryNotificationShowsAsBannerInTheListAndWithSound)
{
    EXPECT_EQ(NotificationDelegate::presentationOptions, 26u);
    center.setApplicationActive(true);
    for (const auto& [identifier, category] : {std::pair{"timer-1", "QUILLMRKER_TIMER"},
                                               {"alarm-1", "QUILLMRKER_ALARM"},
                                               {"QUILLMRKER_APP_UPDATE", "QUILLMRKER_UPDATE"},
                                               {"other", ""}}) {
        deliver(identifier, category);
        EXPECT_EQ(center.presentationOptions(identifier), 26u) << identifier;
    }
}

TEST_F(NotificationDelegateTest, OnlyAClickOrTheRestartActionOnTheUpdateInstallsIt)
{
    struct Case {
        const char* name;
        const char* identifier;
        const char* category;
        const char* action;
        int installs;
    };
    const Case cases[] = {
        {"restart action", "QUILLMRKER_APP_UPDATE", "QUILLMRKER_UPDATE", "RESTART_TO_UPDATE", 1},
        {"click on the body", "QUILLMRKER_APP_UPDATE", "QUILLMRKER_UPDATE", kDefaultAction, 1},
        {"known by its identifier alone", "QUILLMRKER_APP_UPDATE", "", kDefaultAction, 1},
        {"known by its category alone", "update-2", "QUILLMRKER_UPDATE", "RESTART_TO_UPDATE", 1},
        {"dismissed", "QUILLMRKER_APP_UPDATE", "QUILLMRKER_UPDATE", kDismissAction, 0},
        {"a click on a timer", "timer-1", "QUILLMRKER_TIMER", kDefaultAction, 0},
        {"an alarm", "alarm-1", "QUILLMRKER_ALARM", "RESTART_TO_UPDATE", 0},
    };
    for (const Case& c : cases) {
        installs = 0;
        UserNotificationResponse response;
        response.notification.request.identifier = c.identifier;
        response.notification.request.content.categoryIdentifier = c.category;
        response.actionIdentifier = c.action;
        int completions = 0;
        delegate->didReceive(response, [&] {
            ++completions;
            EXPECT_EQ(installs, 0) << c.name << ": the centre hears back before the install runs";
        });
        EXPECT_EQ(completions, 1) << c.name;
        loop.runUntilIdle();
        EXPECT_EQ(installs, c.installs) << c.name;
    }
}

TEST_F(NotificationDelegateTest, TheCentreHearsOneCompletionPerResponse)
{
    deliver("QUILLMRKER_APP_UPDATE", "QUILLMRKER_UPDATE");
    deliver("timer-1", "QUILLMRKER_TIMER");
    ASSERT_TRUE(center.respond("QUILLMRKER_APP_UPDATE", "RESTART_TO_UPDATE"));
    ASSERT_TRUE(center.respond("timer-1", kDefaultAction));
    loop.runUntilIdle();
    EXPECT_EQ(center.completedResponses(), 2);
    EXPECT_EQ(installs, 1);
}

TEST_F(NotificationDelegateTest, WithoutAnUpdaterAResponseOnlyCompletes)
{
    NotificationDelegate bare(loop, nullptr);
    UserNotificationResponse response;
    response.notification.request.identifier = "QUILLMRKER_APP_UPDATE";
    response.actionIdentifier = "RESTART_TO_UPDATE";
    int completions = 0;
    bare.didReceive(response, [&] { ++completions; });
    loop.runUntilIdle();
    EXPECT_EQ(completions, 1);
}

}  // namespace
}  // namespace qm
