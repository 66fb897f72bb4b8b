#include "onboarding/views/OnboardingWindowWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "onboarding/views/CompleteScreenView.h"
#include "onboarding/views/OnboardingButton.h"
#include "onboarding/views/OnboardingHudView.h"
#include "onboarding/views/OnboardingWindowRig.h"
#include "onboarding/views/PermissionCardView.h"
#include "onboarding/views/PermissionsScreenView.h"
#include "onboarding/views/ProgressDotsView.h"
#include "onboarding/views/SandboxCapturePopupView.h"
#include "onboarding/views/SandboxScreenView.h"
#include "onboarding/views/WelcomeScreenView.h"

namespace qm::test {
namespace {

using Entity = EventStoreEntityType;

class OnboardingWindowWidgetTest : public ::testing::Test, protected OnboardingWindowRig {};

TEST_F(OnboardingWindowWidgetTest, TheWindowIsFixedAtItsContentSizeAndOpensOnTheWelcomeStep)
{
    present();
    EXPECT_EQ(window->size(), QSize(480, 660));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->windowTitle(), "Welcome to Quillmarker");
    EXPECT_EQ(window->currentScreen(), &window->welcome());
    EXPECT_EQ(window->dots().currentStep(), 1);
    EXPECT_TRUE(window->welcome().getStartedButton().hasFocus());

    // Return on the focused button goes on to the permissions.
    QTest::keyClick(&window->welcome().getStartedButton(), Qt::Key_Return);
    settle();
    EXPECT_EQ(window->currentScreen(), &window->permissions());
    EXPECT_EQ(window->dots().currentStep(), 2);
}

TEST_F(OnboardingWindowWidgetTest, ThePermissionsStepShowsTheFlagsAndItsButtonsAsk)
{
    rig.trust.setTrusted(true);
    present();
    window->model().getStarted();
    settle();
    PermissionsScreenView& screen = window->permissions();
    EXPECT_EQ(screen.counter().text(), "1 of 4 granted");
    EXPECT_TRUE(screen.hint().isVisibleTo(window.get()));
    EXPECT_FALSE(screen.continueButton().isEnabled());
    EXPECT_EQ(screen.continueButton().text(), "Grant all permissions to continue");
    EXPECT_EQ(screen.card(0).statusLabel().text(), "Granted");
    EXPECT_EQ(screen.card(0).grantButton().text(), "Verified");
    EXPECT_FALSE(screen.card(0).grantButton().isEnabled());
    EXPECT_EQ(screen.card(1).statusLabel().text(), "Not yet granted");
    EXPECT_EQ(screen.card(1).grantButton().text(), "Allow Notifications…");
    EXPECT_TRUE(screen.card(1).grantButton().hasFocus()) << "the keyboard is on the first thing to grant";

    rig.notifications.answerNextAuthorizationPrompt(true);
    QTest::keyClick(&screen.card(1).grantButton(), Qt::Key_Return);
    settle();
    EXPECT_EQ(screen.card(1).statusLabel().text(), "Granted");
    EXPECT_TRUE(screen.card(2).grantButton().hasFocus()) << "and moves on once it is granted";

    rig.events->answerNextAccessPrompt(Entity::reminder, false);
    QTest::mouseClick(&screen.card(2).grantButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(screen.card(2).statusLabel().text(), "Not yet granted");
    EXPECT_TRUE(screen.card(2).grantButton().isEnabled()) << "a refusal can be tried again";

    rig.events->setAuthorizationStatus(Entity::reminder, EventStoreAuthorizationStatus::fullAccess);
    rig.events->setAuthorizationStatus(Entity::event, EventStoreAuthorizationStatus::fullAccess);
    rig.loop.advance(OnboardingViewModel::pollInterval);
    settle();
    EXPECT_EQ(screen.counter().text(), "4 of 4 granted");
    EXPECT_FALSE(screen.hint().isVisibleTo(window.get()));
    EXPECT_TRUE(screen.continueButton().isEnabled());
    EXPECT_EQ(screen.continueButton().text(), "Continue to Sandbox");
    QTest::mouseClick(&screen.continueButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(window->currentScreen(), &window->sandbox());
    EXPECT_TRUE(window->sandbox().editor().hasFocus());
}

TEST_F(OnboardingWindowWidgetTest, TypingATriggerInTheEditorOpensThePopupAndReturnRoutesTheLine)
{
    walkToSandbox();
    SandboxScreenView& screen = window->sandbox();
    EXPECT_EQ(screen.feedLines(), QStringList{"Pending captures... (Type inside the Mock Editor above)"});
    EXPECT_FALSE(screen.nextButton().isEnabled());

    QTest::keyClicks(&screen.editor(), "draft //note ");
    settle();
    SandboxCapturePopupView& popup = screen.popup();
    ASSERT_TRUE(popup.isVisibleTo(window.get()));
    EXPECT_EQ(screen.editor().text(), "draft ");
    EXPECT_FALSE(screen.editor().isEnabled());
    EXPECT_FALSE(screen.chips().front()->isEnabled());
    EXPECT_EQ(popup.destination().text(), "Quick Capture");
    EXPECT_EQ(popup.field().placeholderText(), "buy milk on the way home");
    EXPECT_TRUE(popup.field().hasFocus());

    QTest::keyClicks(&popup.field(), "buy milk");
    QTest::keyClick(&popup.field(), Qt::Key_Return);
    settle();
    EXPECT_FALSE(popup.isVisibleTo(window.get()));
    ASSERT_EQ(screen.feedLines().size(), 1);
    EXPECT_TRUE(screen.feedLines().front().endsWith("Routed to Quick Capture: \"buy milk\""));
    EXPECT_TRUE(window->hud().isVisibleTo(window.get()));
    EXPECT_EQ(window->hud().message(), "Simulated Capture: Quick Capture!");
    EXPECT_TRUE(screen.nextButton().isEnabled());
    EXPECT_TRUE(screen.editor().hasFocus()) << "typing goes on in the editor";

    rig.loop.advance(SandboxViewModel::hudDuration);
    settle();
    EXPECT_FALSE(window->hud().isVisibleTo(window.get()));

    QTest::mouseClick(screen.chips().at(3), Qt::LeftButton);
    settle();
    QTest::keyClick(&screen.popup().field(), Qt::Key_Return);
    settle();
    ASSERT_EQ(screen.feedLines().size(), 2);
    EXPECT_TRUE(screen.feedLines().front().endsWith("Routed to Countdown Timer: \"25m focus\""))
        << "newest on top";
}

TEST_F(OnboardingWindowWidgetTest, ReturnAfterTheBareWordChipsAndEscInThePopupOnly)
{
    walkToSandbox();
    SandboxScreenView& screen = window->sandbox();
    QTest::keyClicks(&screen.editor(), "//calc");
    QTest::keyClick(&screen.editor(), Qt::Key_Return);
    settle();
    ASSERT_TRUE(screen.popup().isVisibleTo(window.get()));
    EXPECT_EQ(screen.popup().destination().text(), "Calculator");

    QTest::keyClick(&screen.popup().field(), Qt::Key_Escape);
    settle();
    EXPECT_FALSE(screen.popup().isVisibleTo(window.get()));
    EXPECT_TRUE(window->isVisible()) << "Esc closes the popup, not the window";
    EXPECT_EQ(closed, 0);

    QTest::mouseClick(screen.chips().at(1), Qt::LeftButton);
    settle();
    EXPECT_EQ(screen.popup().field().text(), "Clean project");
    EXPECT_EQ(screen.popup().destination().text(), "System Clipboard");
}

TEST_F(OnboardingWindowWidgetTest, LaunchHandsOverOnceAndClosingEarlyReportsTheClose)
{
    walkToSandbox();
    window->model().sandbox().tapChip("note", "x");
    window->model().sandbox().submitCapture();
    QTest::mouseClick(&window->sandbox().nextButton(), Qt::LeftButton);
    settle();
    ASSERT_EQ(window->currentScreen(), &window->complete());
    EXPECT_TRUE(window->complete().launchButton().hasFocus());
    QTest::keyClick(&window->complete().launchButton(), Qt::Key_Return);
    QTest::mouseClick(&window->complete().launchButton(), Qt::LeftButton);
    EXPECT_EQ(completed, 1);
    EXPECT_TRUE(rig.defaults.boolForKey("hasCompletedOnboarding"));
    window->dismiss();
    EXPECT_EQ(closed, 0) << "the shell's dismissal is no close by the user";

    OnboardingWindowRig early;
    early.present();
    early.window->close();
    early.window->close();
    EXPECT_EQ(early.closed, 1);
    EXPECT_EQ(early.completed, 0);
    EXPECT_FALSE(early.rig.defaults.objectForKey("hasCompletedOnboarding"));
}

}  // namespace
}  // namespace qm::test
