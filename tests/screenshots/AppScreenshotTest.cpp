// Pictures of the application's own windows, beside the overlay's: each step
// of onboarding and the practice popup, and the status menu.
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "app/StatusMenu.h"
#include "app/views/StatusMenuWidget.h"
#include "onboarding/views/OnboardingWindowRig.h"
#include "onboarding/views/SandboxCapturePopupView.h"
#include "onboarding/views/SandboxScreenView.h"
#include "screenshots/Screenshot.h"
#include "support/QtTestApplication.h"

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

// The menu opened where a status item's would be, grabbed as it is drawn.
void saveMenu(const StatusMenuInputs& inputs, const std::string& name)
{
    qtApplication();
    const Calendar calendar = *Calendar::withTimeZone("UTC");
    StatusMenuWidget menu([&] { return StatusMenu::build(inputs, calendar, "en"); }, {});
    menu.popup(QPoint(0, 0));
    save(menu, name);
    if (auto* loopRow = menu.actions().size() > 4 ? menu.actions()[4]->menu() : nullptr) {
        loopRow->popup(QPoint(0, 0));
        save(*loopRow, name + "-loop");
        loopRow->hide();
    }
    menu.hide();
}

TEST(AppScreenshots, StatusMenuWithRecords)
{
    const Calendar calendar = *Calendar::withTimeZone("UTC");
    StatusMenuInputs inputs;
    inputs.now = *calendar.parse("2024-03-20 17:30:00", "yyyy-MM-dd HH:mm:ss");
    inputs.shortVersion = "0.1.0";
    inputs.accessibilityTrusted = true;
    inputs.hasSelectedShortcut = false;
    inputs.stats = CaptureStats{.todayCount = 4,
                                .weekCount = 17,
                                .totalCount = 212,
                                .streakDays = 6,
                                .bestStreakDays = 19,
                                .lastCaptureAt = inputs.now - 420,
                                .lastTarget = "note"};
    OpenLoop plumber;
    plumber.id = Uuid::random();
    plumber.action = "call the plumber about the kitchen tap";
    OpenLoop longOne;
    longOne.id = Uuid::random();
    longOne.text = "write back to the school about the trip on Friday and the permission slip";
    inputs.openLoops = {plumber, longOne};
    inputs.revealTitle = "Reveal Quick Capture.md";
    inputs.pendingUpdateVersion = "0.2.0";
    saveMenu(inputs, "status-menu-with-records");
}

TEST(AppScreenshots, StatusMenuWithEmptyRecords)
{
    StatusMenuInputs inputs;
    inputs.now = 1'700'000'000;
    inputs.shortVersion = "0.1.0";
    saveMenu(inputs, "status-menu-empty");
}

}  // namespace
}  // namespace qm::test
