// Pictures of the application's own windows, beside the overlay's: each step
// of onboarding and the practice popup.
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "onboarding/views/OnboardingWindowRig.h"
#include "onboarding/views/SandboxCapturePopupView.h"
#include "onboarding/views/SandboxScreenView.h"
#include "screenshots/Screenshot.h"

namespace qm::test {
namespace {

TEST(AppScreenshots, OnboardingSteps)
{
    OnboardingWindowRig onboarding;
    OnboardingWindowWidget& window = *onboarding.window;
    onboarding.rig.trust.setTrusted(true);
    onboarding.rig.notifications.setAuthorizationStatus(OnboardingRig::NotificationStatus::authorized);
    onboarding.present();
    save(window, "onboarding-welcome");

    window.model().getStarted();
    onboarding.settle();
    save(window, "onboarding-permissions");

    onboarding.rig.grantAll();
    onboarding.rig.loop.advance(OnboardingViewModel::pollInterval);
    onboarding.settle();
    save(window, "onboarding-permissions-granted");

    window.model().continueToSandbox();
    onboarding.settle();
    save(window, "onboarding-sandbox");

    SandboxScreenView& sandbox = window.sandbox();
    QTest::keyClicks(&sandbox.editor(), "Meeting notes //calc ");
    onboarding.settle();
    QTest::keyClicks(&sandbox.popup().field(), "15% of 200");
    onboarding.settle();
    save(window, "onboarding-sandbox-popup");

    QTest::keyClick(&sandbox.popup().field(), Qt::Key_Return);
    window.model().sandbox().tapChip("note", "Quick thought");
    window.model().sandbox().submitCapture();
    onboarding.settle();
    save(window, "onboarding-sandbox-routed");

    window.model().finalizeSetup();
    onboarding.rig.loop.advance(SandboxViewModel::hudDuration);
    onboarding.settle();
    save(window, "onboarding-complete");
}

}  // namespace
}  // namespace qm::test
