#include "platform/sim/workspace/SimPrivacySettings.h"

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/sim/accessibility/SimAccessibilityTrust.h"
#include "platform/sim/desktop/SimDesktopState.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimAlertPresenter.h"
#include "platform/sim/workspace/SimWorkspace.h"

namespace qm {
namespace {

using Entity = EventStoreEntityType;
using Status = EventStoreAuthorizationStatus;

class SimPrivacySettingsTest : public ::testing::Test {
protected:
    // Requests access through a store and returns the answer the program hears.
    std::optional<bool> request(Entity type)
    {
        std::optional<bool> answer;
        auto store = events->makeStore();
        auto completion = [&](bool granted, const std::optional<PlatformError>&) { answer = granted; };
        type == Entity::event ? store->requestFullAccessToEvents(completion)
                              : store->requestFullAccessToReminders(completion);
        EXPECT_FALSE(answer) << "the prompt answers after the request returned";
        loop.runUntilIdle();
        return answer;
    }

    SimClock clock;
    SimMainLoop loop{clock};
    std::shared_ptr<SimDesktopState> desktop = std::make_shared<SimDesktopState>(loop);
    SimAccessibilityTrust trust{desktop};
    SimWorkspace workspace{desktop, 4242};
    SimAlertPresenter alerts;
    std::shared_ptr<SimEventStoreBackend> events = std::make_shared<SimEventStoreBackend>(loop);
    std::optional<SimPrivacySettings> settings{std::in_place, loop, alerts, workspace, trust, *events};
};

TEST_F(SimPrivacySettingsTest, AccessPromptsAreAlertsWhoseAnswerTheStoreKeeps)
{
    alerts.answerNextWithButton("Allow Full Access");
    EXPECT_EQ(request(Entity::reminder), true);
    EXPECT_EQ(events->authorizationStatus(Entity::reminder), Status::fullAccess);
    ASSERT_EQ(alerts.shownAlerts().size(), 1u);
    EXPECT_EQ(alerts.shownAlerts()[0].messageText, "“Quillmarker” Would Like to Access Your Reminders");

    alerts.answerNextWithButton("Don’t Allow");
    EXPECT_EQ(request(Entity::event), false);
    EXPECT_EQ(events->authorizationStatus(Entity::event), Status::denied);
    EXPECT_EQ(request(Entity::event), false) << "a decided permission prompts no more";
    EXPECT_EQ(alerts.shownAlerts().size(), 2u);
}

TEST_F(SimPrivacySettingsTest, TwoRequestsBeforeTheAnswerShowOnePrompt)
{
    auto store = events->makeStore();
    int answers = 0;
    bool lastGranted = false;
    auto completion = [&](bool granted, const std::optional<PlatformError>&) {
        ++answers;
        lastGranted = granted;
    };
    store->requestFullAccessToReminders(completion);
    store->requestFullAccessToReminders(completion);
    alerts.answerNextWithButton("Allow Full Access");
    loop.runUntilIdle();
    EXPECT_EQ(answers, 2);
    EXPECT_TRUE(lastGranted);
    EXPECT_EQ(alerts.shownAlerts().size(), 1u);
}

TEST_F(SimPrivacySettingsTest, PrivacyPanesGrantOrRefuseWhatTheyName)
{
    struct Case {
        const char* url;
        const char* button;
        std::function<bool()> granted;
        bool expected;
    };
    events->setAuthorizationStatus(Entity::reminder, Status::denied);
    trust.setTrusted(false);
    const Case cases[] = {
        {"x-apple.systempreferences:com.apple.preference.security?Privacy_Reminders", "Allow",
         [&] { return events->authorizationStatus(Entity::reminder) == Status::fullAccess; }, true},
        {"x-apple.systempreferences:com.apple.preference.security?Privacy_Calendars", "Don’t Allow",
         [&] { return events->authorizationStatus(Entity::event) == Status::fullAccess; }, false},
        {"x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility", "Allow",
         [&] { return trust.isProcessTrusted(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        alerts.answerNextWithButton(c.button);
        const std::size_t before = alerts.shownAlerts().size();
        workspace.openURL(c.url);
        EXPECT_EQ(alerts.shownAlerts().size(), before) << "the pane opens after the call returned";
        loop.runUntilIdle();
        EXPECT_EQ(alerts.shownAlerts().size(), before + 1);
        EXPECT_EQ(c.granted(), c.expected);
    }
    EXPECT_EQ(events->authorizationStatus(Entity::event), Status::denied);

    const std::size_t shown = alerts.shownAlerts().size();
    alerts.answerNextWithButton("OK");
    workspace.openURL("x-apple.systempreferences:com.apple.Notifications-Settings.extension");
    loop.runUntilIdle();
    ASSERT_EQ(alerts.shownAlerts().size(), shown + 1);
    EXPECT_EQ(alerts.shownAlerts().back().buttons, std::vector<std::string>{"OK"}) << "only an explanation";
    workspace.openURL("https://example.com");
    loop.runUntilIdle();
    EXPECT_EQ(alerts.shownAlerts().size(), shown + 1);
}

TEST_F(SimPrivacySettingsTest, GoneItLeavesTheStandInsAsTestsScriptThem)
{
    settings.reset();
    workspace.openURL("x-apple.systempreferences:com.apple.preference.security?Privacy_Reminders");
    loop.runUntilIdle();
    EXPECT_TRUE(alerts.shownAlerts().empty());
    auto store = events->makeStore();
    EXPECT_THROW(store->requestFullAccessToReminders({}), std::logic_error);
}

}  // namespace
}  // namespace qm
