#include "app/views/MinimalOnboardingWindow.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/notifications/NotificationCenter.h"
#include "platform/storage/UserDefaults.h"
#include "shell/ShortcutPreference.h"
#include "support/QtTestApplication.h"

namespace qm::test {
namespace {

struct Outcome {
    int completed = 0;
    int closed = 0;
};

class MinimalOnboardingWindowTest : public ::testing::Test {
protected:
    MinimalOnboardingWindow& open()
    {
        window = std::make_unique<MinimalOnboardingWindow>(
            defaults, center,
            OnboardingWindow::Callbacks{.completed = [this] { ++outcome.completed; },
                                        .closed = [this] { ++outcome.closed; }});
        window->present();
        return *window;
    }

    QApplication& application = qtApplication();
    NotificationCenter center;
    UserDefaults defaults{"", &center};
    Outcome outcome;
    std::unique_ptr<MinimalOnboardingWindow> window;
};

TEST_F(MinimalOnboardingWindowTest, FinishingStoresTheKeysAnnouncesTheShortcutThenCompletes)
{
    std::vector<std::string> order;
    const auto token =
        center.addObserver(ShortcutPreference::changedNotification, nullptr, [&](const Notification&) {
            order.push_back(defaults.boolForKey("hasCompletedOnboarding") ? "announced after storing"
                                                                          : "too early");
        });
    open();
    auto* button = window->findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(order, std::vector<std::string>{"announced after storing"});
    EXPECT_TRUE(defaults.boolForKey("hasSelectedShortcut"));
    EXPECT_EQ(outcome.completed, 1);
    // The app dismisses it; that is no close by the user.
    window->dismiss();
    EXPECT_EQ(outcome.closed, 0);
    center.removeObserver(token);
}

TEST_F(MinimalOnboardingWindowTest, ClosingItReportsTheCloseOnceAndStoresNothing)
{
    open().close();
    window->close();
    EXPECT_EQ(outcome.closed, 1);
    EXPECT_EQ(outcome.completed, 0);
    EXPECT_FALSE(defaults.boolForKey("hasCompletedOnboarding"));
}

}  // namespace
}  // namespace qm::test
