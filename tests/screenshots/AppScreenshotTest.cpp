// Pictures of the application's own windows, beside the overlay's.
#include <gtest/gtest.h>

#include "app/views/MinimalOnboardingWindow.h"
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

}  // namespace
}  // namespace qm::test
