#include "onboarding/OnboardingViewModel.h"

#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "onboarding/OnboardingRig.h"
#include "shell/ShortcutPreference.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using Permission = OnboardingPermission;
using Entity = EventStoreEntityType;
using StoreStatus = EventStoreAuthorizationStatus;
using NotificationStatus = UserNotificationSettings::AuthorizationStatus;

class OnboardingViewModelTest : public ::testing::Test {
protected:
    OnboardingViewModelTest()
    {
        model.setOnChange([this] { ++changes; });
    }

    // Grants everything, routes one practice capture and walks to step 4.
    void walkToCompletion()
    {
        rig.grantAll();
        model.appear();
        rig.loop.runUntilIdle();
        model.getStarted();
        model.continueToSandbox();
        model.sandbox().tapChip("note", "milk");
        model.sandbox().submitCapture();
        model.finalizeSetup();
        ASSERT_EQ(model.currentStep(), 4);
    }

    OnboardingRig rig;
    int completions = 0;
    OnboardingViewModel model{rig.services(), [this] { ++completions; }};
    int changes = 0;
};

TEST_F(OnboardingViewModelTest, StepsGoForwardOneAtATimeOnlyThroughTheirEnabledControls)
{
    EXPECT_EQ(model.currentStep(), 1);
    model.continueToSandbox();
    model.finalizeSetup();
    EXPECT_EQ(model.currentStep(), 1) << "later steps' controls do nothing on step 1";

    model.getStarted();
    model.getStarted();
    EXPECT_EQ(model.currentStep(), 2) << "a second Get Started sets the same step";

    model.appear();
    rig.loop.runUntilIdle();
    model.continueToSandbox();
    EXPECT_EQ(model.currentStep(), 2) << "Continue waits for all four permissions";
    rig.grantAll();
    rig.loop.advance(OnboardingViewModel::pollInterval);
    ASSERT_TRUE(model.canContinueToSandbox());
    model.continueToSandbox();
    EXPECT_EQ(model.currentStep(), 3);

    model.getStarted();
    EXPECT_EQ(model.currentStep(), 3) << "no control goes back";
    model.finalizeSetup();
    EXPECT_EQ(model.currentStep(), 3) << "Next waits for a practice capture";
    model.sandbox().tapChip("calc", "15% of 200");
    model.sandbox().submitCapture();
    model.finalizeSetup();
    EXPECT_EQ(model.currentStep(), 4);
    EXPECT_EQ(completions, 0) << "only the launch action hands over";
}

TEST_F(OnboardingViewModelTest, ThePollFollowsTheSystemEverySecondInBothDirectionsAtEveryStep)
{
    EXPECT_EQ(model.permissionsGrantedCount(), 0);
    rig.grantAll();
    EXPECT_EQ(model.permissionsGrantedCount(), 0) << "nothing is read before the window appears";
    model.appear();
    EXPECT_EQ(model.permissionsGrantedCount(), 3) << "the three synchronous checks at once";
    rig.loop.runUntilIdle();
    EXPECT_EQ(model.permissionsGrantedCount(), 4) << "notifications one asynchronous answer later";

    // Withdrawn in System Settings while the welcome step shows.
    rig.trust.setTrusted(false);
    rig.notifications.setAuthorizationStatus(NotificationStatus::denied);
    rig.events->setAuthorizationStatus(Entity::event, StoreStatus::denied);
    rig.loop.advance(0.99);
    EXPECT_EQ(model.permissionsGrantedCount(), 4) << "not before the next tick";
    rig.loop.advance(0.01);
    EXPECT_FALSE(model.isGranted(Permission::accessibility));
    EXPECT_FALSE(model.isGranted(Permission::notifications));
    EXPECT_FALSE(model.isGranted(Permission::calendar));
    EXPECT_TRUE(model.isGranted(Permission::reminders));
    EXPECT_EQ(model.permissionsGrantedCount(), 1);

    // Write-only calendar access counts; a later grant shows within a second.
    rig.events->setAuthorizationStatus(Entity::event, StoreStatus::writeOnly);
    rig.trust.setTrusted(true);
    rig.loop.advance(1.0);
    EXPECT_TRUE(model.isGranted(Permission::calendar));
    EXPECT_TRUE(model.isGranted(Permission::accessibility));
}

// One permission's grant from its card, as the user answers.
struct GrantCase {
    const char* name;
    Permission permission;
    std::function<void(OnboardingRig&)> systemBefore;
    std::function<void(OnboardingRig&)> userAnswers;
    bool granted;
    // The System Settings link opened, if any.
    std::vector<std::string> opened;
    // Prompts shown: notifications, then event store ones.
    std::size_t notificationPrompts;
    std::vector<Entity> storePrompts;
};

class OnboardingGrantTest : public OnboardingViewModelTest,
                            public ::testing::WithParamInterface<GrantCase> {};

TEST_P(OnboardingGrantTest, TheCardGrantsPromptsOrOpensItsPane)
{
    const GrantCase& grant = GetParam();
    if (grant.systemBefore) {
        grant.systemBefore(rig);
    }
    if (grant.userAnswers) {
        grant.userAnswers(rig);
    }
    model.grant(grant.permission);
    rig.loop.runUntilIdle();
    EXPECT_EQ(model.isGranted(grant.permission), grant.granted);
    EXPECT_EQ(rig.openedURLs(), grant.opened);
    EXPECT_EQ(rig.notifications.authorizationPrompts().size(), grant.notificationPrompts);
    EXPECT_EQ(rig.events->accessPrompts(), grant.storePrompts);
}

const char* kSecurityPane = "x-apple.systempreferences:com.apple.preference.security?";

INSTANTIATE_TEST_SUITE_P(
    Cards, OnboardingGrantTest,
    ::testing::Values(
        GrantCase{"AccessibilityTrusted",
                  Permission::accessibility,
                  [](OnboardingRig& rig) { rig.trust.setTrusted(true); },
                  nullptr,
                  true,
                  {},
                  0,
                  {}},
        GrantCase{"AccessibilityNotYet",
                  Permission::accessibility,
                  nullptr,
                  [](OnboardingRig& rig) { rig.trust.setPromptAnswer(true); },
                  false,
                  {std::string(kSecurityPane) + "Privacy_Accessibility"},
                  0,
                  {}},
        GrantCase{"NotificationsAuthorized",
                  Permission::notifications,
                  [](OnboardingRig& rig) {
                      rig.notifications.setAuthorizationStatus(NotificationStatus::authorized);
                  },
                  nullptr,
                  true,
                  {},
                  0,
                  {}},
        GrantCase{"NotificationsAllowed",
                  Permission::notifications,
                  nullptr,
                  [](OnboardingRig& rig) { rig.notifications.answerNextAuthorizationPrompt(true); },
                  true,
                  {},
                  1,
                  {}},
        GrantCase{"NotificationsRefused",
                  Permission::notifications,
                  nullptr,
                  [](OnboardingRig& rig) { rig.notifications.answerNextAuthorizationPrompt(false); },
                  false,
                  {"x-apple.systempreferences:com.apple.Notifications-Settings.extension"},
                  1,
                  {}},
        GrantCase{"RemindersAuthorized",
                  Permission::reminders,
                  [](OnboardingRig& rig) {
                      rig.events->setAuthorizationStatus(Entity::reminder, StoreStatus::fullAccess);
                  },
                  nullptr,
                  true,
                  {},
                  0,
                  {}},
        GrantCase{"RemindersAllowed",
                  Permission::reminders,
                  nullptr,
                  [](OnboardingRig& rig) { rig.events->answerNextAccessPrompt(Entity::reminder, true); },
                  true,
                  {},
                  0,
                  {Entity::reminder}},
        GrantCase{"RemindersRefused",
                  Permission::reminders,
                  nullptr,
                  [](OnboardingRig& rig) { rig.events->answerNextAccessPrompt(Entity::reminder, false); },
                  false,
                  {std::string(kSecurityPane) + "Privacy_Reminders"},
                  0,
                  {Entity::reminder}},
        GrantCase{"RemindersRefusedBefore",
                  Permission::reminders,
                  [](OnboardingRig& rig) {
                      rig.events->setAuthorizationStatus(Entity::reminder, StoreStatus::denied);
                  },
                  nullptr,
                  false,
                  {std::string(kSecurityPane) + "Privacy_Reminders"},
                  0,
                  {}},
        GrantCase{"CalendarAllowed",
                  Permission::calendar,
                  nullptr,
                  [](OnboardingRig& rig) { rig.events->answerNextAccessPrompt(Entity::event, true); },
                  true,
                  {},
                  0,
                  {Entity::event}},
        GrantCase{"CalendarRefused",
                  Permission::calendar,
                  nullptr,
                  [](OnboardingRig& rig) { rig.events->answerNextAccessPrompt(Entity::event, false); },
                  false,
                  {std::string(kSecurityPane) + "Privacy_Calendars"},
                  0,
                  {Entity::event}},
        GrantCase{"CalendarWriteOnly",
                  Permission::calendar,
                  [](OnboardingRig& rig) {
                      rig.events->setAuthorizationStatus(Entity::event, StoreStatus::writeOnly);
                  },
                  nullptr,
                  true,
                  {},
                  0,
                  {}}),
    [](const ::testing::TestParamInfo<GrantCase>& info) { return info.param.name; });

TEST_F(OnboardingViewModelTest, ARefusedPermissionGrantedLaterInItsPaneShowsAtTheNextPoll)
{
    model.appear();
    rig.loop.runUntilIdle();
    rig.events->answerNextAccessPrompt(Entity::reminder, false);
    model.grant(Permission::reminders);
    rig.loop.runUntilIdle();
    ASSERT_FALSE(model.isGranted(Permission::reminders));

    // The user turns it on in the pane that opened, then presses again.
    rig.events->setAuthorizationStatus(Entity::reminder, StoreStatus::fullAccess);
    rig.loop.advance(OnboardingViewModel::pollInterval);
    EXPECT_TRUE(model.isGranted(Permission::reminders));
    model.grant(Permission::reminders);
    EXPECT_EQ(rig.events->accessPrompts().size(), 1u) << "a granted permission prompts no more";

    // Accessibility trusted only after the prompt: the poll notices.
    rig.trust.setPromptAnswer(true);
    model.grant(Permission::accessibility);
    EXPECT_FALSE(model.isGranted(Permission::accessibility));
    rig.loop.advance(OnboardingViewModel::pollInterval);
    EXPECT_TRUE(model.isGranted(Permission::accessibility));
}

TEST_F(OnboardingViewModelTest, LaunchStoresTheKeysAnnouncesTheShortcutThenHandsOverOnce)
{
    walkToCompletion();
    std::vector<std::string> order;
    const auto token =
        rig.center.addObserver(ShortcutPreference::changedNotification, nullptr, [&](const Notification&) {
            order.push_back(rig.defaults.boolForKey("hasCompletedOnboarding") &&
                                    rig.defaults.boolForKey("hasSelectedShortcut")
                                ? "announced after storing"
                                : "announced too early");
        });
    model.launch();
    model.launch();
    EXPECT_THAT(order, ElementsAre("announced after storing"));
    EXPECT_EQ(completions, 1) << "a second press before the window closed hands over no more";
    EXPECT_EQ(model.currentStep(), 4) << "the launch action does not change the step";
    rig.center.removeObserver(token);
}

TEST_F(OnboardingViewModelTest, NothingIsStoredBeforeLaunch)
{
    rig.grantAll();
    model.appear();
    rig.loop.runUntilIdle();
    model.getStarted();
    model.continueToSandbox();
    EXPECT_FALSE(rig.defaults.objectForKey("hasCompletedOnboarding"));
    EXPECT_FALSE(rig.defaults.objectForKey("hasSelectedShortcut"));
}

TEST_F(OnboardingViewModelTest, AModelThatIsGoneIsNotTouchedByItsPollOrLateAnswers)
{
    auto gone = std::make_unique<OnboardingViewModel>(rig.services(), [] {});
    int changesOfGone = 0;
    gone->setOnChange([&] { ++changesOfGone; });
    gone->appear();
    rig.events->answerNextAccessPrompt(Entity::reminder, true);
    gone->grant(Permission::reminders);
    gone->sandbox().tapChip("note", "x");
    gone->sandbox().submitCapture();
    const int before = changesOfGone;
    gone.reset();
    rig.loop.advance(5.0);
    EXPECT_EQ(changesOfGone, before);
}

}  // namespace
}  // namespace qm::test
