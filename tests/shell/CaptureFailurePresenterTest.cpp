#include "shell/CaptureFailurePresenter.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Log.h"
#include "capture/CaptureFailureNotice.h"
#include "platform/sim/accessibility/SimAccessibilityTrust.h"
#include "platform/sim/desktop/SimDesktopState.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"
#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimActivationPolicy.h"
#include "platform/sim/workspace/SimAlertPresenter.h"
#include "platform/sim/workspace/SimWorkspace.h"
#include "shell/CaptureFailureRequest.h"
#include "shell/PermissionsManager.h"
#include "shell/ShellNotifications.h"

namespace qm {
namespace {

using ::testing::ElementsAre;
using Policy = ActivationPolicy::Policy;

constexpr const char* kNotificationSettings =
    "x-apple.systempreferences:com.apple.Notifications-Settings.extension";

TEST(CaptureFailureRequestTest, ReadsEachKeyWithItsDefaultAndBuildsTheAlert)
{
    struct Case {
        const char* name;
        UserInfo userInfo;
        const char* messageText;
        const char* informativeText;
        std::vector<std::string> buttons;
    };
    const Case cases[] = {
        {"empty: the defaults",
         {},
         "//capture didn't save",
         "The capture did not complete.",
         {"Open Settings", "Not now"}},
        {"a timer without notification permission",
         {{"command", "timer"},
          {"detail", "Notifications are not allowed."},
          {"saved", true},
          {"section", "Privacy & Permissions"},
          {"field", "notifications"},
          {"actionTitle", "Open Notification settings"}},
         "//timer didn't save",
         "Notifications are not allowed.\n\nThe text is in the local recovery log.",
         {"Open Notification settings", "Not now"}},
        {"a notice: one OK whatever the action title",
         {{"informational", true}, {"detail", "The keyboard listener paused."}, {"actionTitle", "Fix it"}},
         "Quillmarker paused",
         "The keyboard listener paused.",
         {"OK"}},
        {"values of the wrong type count as missing",
         {{"command", 7}, {"detail", true}, {"saved", "yes"}, {"informational", 1}, {"actionTitle", 2.5}},
         "//capture didn't save",
         "The capture did not complete.",
         {"Open Settings", "Not now"}},
        {"the poster's message is not read",
         {{"command", "note"}, {"message", "Capture failed: disk full"}},
         "//note didn't save",
         "The capture did not complete.",
         {"Open Settings", "Not now"}},
    };
    for (const Case& c : cases) {
        const Alert alert = CaptureFailureRequest::from(c.userInfo).alert();
        EXPECT_EQ(alert.alertStyle, Alert::Style::warning) << c.name;
        EXPECT_EQ(alert.messageText, c.messageText) << c.name;
        EXPECT_EQ(alert.informativeText, c.informativeText) << c.name;
        EXPECT_EQ(alert.buttons, c.buttons) << c.name;
    }

    const auto wrongTypes = CaptureFailureRequest::from({{"section", 3}, {"field", false}});
    EXPECT_EQ(wrongTypes.section, "Error Logs");
    EXPECT_EQ(wrongTypes.field, std::nullopt);
}

class CaptureFailurePresenterTest : public ::testing::Test {
protected:
    CaptureFailurePresenterTest()
    {
        center.addObserver(
            ShellNotifications::selectSettingsSection, nullptr,
            [this](const Notification& notification) { selections.push_back(notification.userInfo); });
    }

    void makePresenter(bool withSettingsWindow = true)
    {
        std::function<void()> openSettings;
        if (withSettingsWindow) {
            openSettings = [this] { ++settingsWindowOpenings; };
        }
        presenter = std::make_unique<CaptureFailurePresenter>(
            CaptureFailurePresenter::Services{loop, center, alerts, policy, permissions},
            std::move(openSettings));
    }

    void post(const UserInfo& userInfo)
    {
        center.post(ShellNotifications::presentCaptureFailure, nullptr, userInfo);
    }

    SimClock clock;
    SimMainLoop loop{clock};
    NotificationCenter center;
    SimAlertPresenter alerts{loop};
    SimActivationPolicy policy{Policy::accessory};
    std::shared_ptr<SimDesktopState> desktop = std::make_shared<SimDesktopState>(loop);
    SimAccessibilityTrust trust{desktop};
    SimWorkspace workspace{desktop, 4242};
    SimUserNotificationCenter notifications{loop, clock};
    std::shared_ptr<SimEventStoreBackend> events = std::make_shared<SimEventStoreBackend>(loop);
    PermissionsManager permissions{trust, workspace, notifications, [this] { return events->makeStore(); }};
    std::vector<UserInfo> selections;
    int settingsWindowOpenings = 0;
    std::unique_ptr<CaptureFailurePresenter> presenter;
};

TEST_F(CaptureFailurePresenterTest, TheMainButtonOpensNotificationSettingsTheWindowAndLaterItsPage)
{
    makePresenter();
    Log::Capture log;
    alerts.answerNextWithButton("Open Notification settings");
    // As the capture router posts it for a timer refused by the notification centre.
    CaptureFailureNotice::guided("timer", "Notification permission denied.", true).post(center);
    EXPECT_TRUE(alerts.shownAlerts().empty()) << "the alert never runs inside the post";

    loop.runUntilIdle();
    ASSERT_EQ(alerts.shownAlerts().size(), 1u);
    const Alert shown = alerts.shownAlerts().front();
    EXPECT_EQ(shown.messageText, "//timer didn't save");
    EXPECT_EQ(shown.informativeText,
              "Notification permission denied.\n\nThe text is in the local recovery log.");
    EXPECT_THAT(shown.buttons, ElementsAre("Open Notification settings", "Not now"));
    EXPECT_TRUE(log.contains("⚠️ CaptureFailurePresenter: //timer didn't save"));
    EXPECT_THAT(workspace.openedURLs(), ElementsAre(kNotificationSettings));
    EXPECT_EQ(settingsWindowOpenings, 1);
    // Regular and in front for the alert; it stays so while the settings window is open.
    EXPECT_THAT(policy.requests(), ElementsAre("policy regular", "activate"));
    EXPECT_EQ(policy.activationPolicy(), Policy::regular);

    loop.advance(0.19);
    EXPECT_TRUE(selections.empty());
    loop.advance(0.01);
    ASSERT_EQ(selections.size(), 1u);
    EXPECT_EQ(selections[0].get<std::string>("section"), "Privacy & Permissions");
    EXPECT_EQ(selections[0].get<std::string>("field"), "notifications");
}

TEST_F(CaptureFailurePresenterTest, EachAnswerThatOpensNoSettingsWindowPutsThePolicyBack)
{
    struct Case {
        const char* name;
        bool withSettingsWindow;
        UserInfo userInfo;
        const char* answer;
        bool selectsPage;
    };
    const Case cases[] = {
        {"not now", true, {{"command", "note"}}, "Not now", false},
        {"a notice's OK", true, {{"informational", true}}, "OK", false},
        // The program has no settings window yet: the page is still asked for.
        {"main button, no settings window", false, {}, "Open Settings", true},
    };
    for (const Case& c : cases) {
        selections.clear();
        policy.clearRequests();
        settingsWindowOpenings = 0;
        makePresenter(c.withSettingsWindow);
        alerts.answerNextWithButton(c.answer);
        post(c.userInfo);
        loop.runUntilIdle();
        loop.advance(1);
        EXPECT_THAT(policy.requests(), ElementsAre("policy regular", "activate", "policy accessory"))
            << c.name;
        EXPECT_EQ(policy.activationPolicy(), Policy::accessory) << c.name;
        EXPECT_EQ(settingsWindowOpenings, 0) << c.name;
        EXPECT_TRUE(workspace.openedURLs().empty()) << c.name << ": nothing has a notifications card";
        ASSERT_EQ(selections.size(), c.selectsPage ? 1u : 0u) << c.name;
        if (c.selectsPage) {
            EXPECT_EQ(selections[0].get<std::string>("section"), "Error Logs");
            EXPECT_FALSE(selections[0].contains("field"));
        }
    }
    EXPECT_EQ(alerts.unusedAnswers(), 0u);
}

TEST_F(CaptureFailurePresenterTest, APolicyThatWasRegularBeforeTheAlertStaysRegular)
{
    // The onboarding window is open: the Dock icon belongs to it.
    policy.setActivationPolicy(Policy::regular);
    makePresenter();
    alerts.answerNextWithButton("Not now");
    post({});
    loop.runUntilIdle();
    EXPECT_EQ(policy.activationPolicy(), Policy::regular);
}

TEST_F(CaptureFailurePresenterTest, NothingRunsForAPresenterThatIsGone)
{
    makePresenter();
    post({});
    presenter.reset();
    loop.runUntilIdle();
    EXPECT_TRUE(alerts.shownAlerts().empty());

    makePresenter();
    alerts.answerNextWithButton("Open Settings");
    post({});
    loop.runUntilIdle();
    presenter.reset();
    loop.advance(1);
    EXPECT_TRUE(selections.empty());
    post({});
    loop.runUntilIdle();
    EXPECT_EQ(alerts.shownAlerts().size(), 1u) << "no observer is left behind";
}

}  // namespace
}  // namespace qm
