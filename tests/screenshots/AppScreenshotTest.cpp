// Pictures of the application's own windows, beside the overlay's.
#include <gtest/gtest.h>

#include "app/StatusMenu.h"
#include "app/views/MinimalOnboardingWindow.h"
#include "app/views/StatusMenuWidget.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/storage/UserDefaults.h"
#include "screenshots/Screenshot.h"
#include "support/QtTestApplication.h"

namespace qm::test {
namespace {

TEST(AppScreenshots, OnboardingWindow)
{
    qtApplication();
    NotificationCenter center;
    UserDefaults defaults("", &center);
    MinimalOnboardingWindow window(defaults, center, {});
    window.present();
    save(window, "onboarding-welcome");
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
