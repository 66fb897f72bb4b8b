// The app delegate with the real onboarding window, on the stand-in platform.
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/views/OnboardingWindowHandle.h"
#include "capture/EventTapManager.h"
#include "onboarding/views/CompleteScreenView.h"
#include "onboarding/views/OnboardingButton.h"
#include "support/QtTestApplication.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

class OnboardingWindowHandOffTest : public ::testing::Test {
protected:
    OnboardingWindowHandOffTest()
    {
        AppComposition::Options options;
        options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
        options.backgroundThreads = 1;
        rig.compose(rig.bundle(), std::move(options));
        rig.platform.desktop.trust().setTrusted(true);

        AppDelegate::Hooks hooks;
        hooks.makeStatusItem = [this] {
            ++statusItems;
            return std::unique_ptr<StatusItem>();
        };
        hooks.makeOnboardingWindow = [this](OnboardingWindow::Callbacks callbacks) {
            window = new OnboardingWindowWidget(
                OnboardingViewModel::Services{
                    .mainLoop = rig.platform.loop,
                    .clock = rig.platform.clock,
                    .defaults = rig.platform.defaults,
                    .notificationCenter = rig.platform.notificationCenter,
                    .permissions = rig.app->permissions(),
                    .calendar = std::nullopt,
                },
                rig.platform.notificationCenter, nullptr,
                OnboardingWindowWidget::Callbacks{.completed = std::move(callbacks.completed),
                                                  .closed = std::move(callbacks.closed)});
            return std::make_unique<OnboardingWindowHandle>(window.data());
        };
        delegate = std::make_unique<AppDelegate>(
            AppDelegate::Services{
                .mainLoop = rig.platform.loop,
                .defaults = rig.platform.defaults,
                .notificationCenter = rig.platform.notificationCenter,
                .workspace = rig.platform.desktop.workspace(),
                .alerts = rig.platform.alerts,
                .permissions = rig.app->permissions(),
                .eventTapManager = rig.app->eventTapManager(),
            },
            std::move(hooks));
    }

    ~OnboardingWindowHandOffTest() override
    {
        delegate->applicationWillTerminate();
        delegate.reset();
        rig.platform.loop.runUntilIdle();
        QApplication::processEvents();
    }

    // Runs the manual loop and Qt's deferred deletions.
    void settle()
    {
        rig.platform.loop.runUntilIdle();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }

    bool tapRunning()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!rig.app->eventTapManager().eventTap() && std::chrono::steady_clock::now() < until) {
            rig.platform.loop.runUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return rig.app->eventTapManager().eventTap() != nullptr;
    }

    QApplication& application = qtApplication();
    StandInApp rig;
    QPointer<OnboardingWindowWidget> window;
    int statusItems = 0;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(OnboardingWindowHandOffTest, LaunchingFromTheLastStepStartsTheAgentOnceAndTheWindowGoes)
{
    delegate->applicationDidFinishLaunching();
    settle();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(rig.app->eventTapManager().eventTap(), nullptr) << "no capture during onboarding";

    rig.platform.userNotifications.setAuthorizationStatus(
        UserNotificationSettings::AuthorizationStatus::authorized);
    rig.platform.eventStores->setAuthorizationStatus(EventStoreEntityType::reminder,
                                                     EventStoreAuthorizationStatus::fullAccess);
    rig.platform.eventStores->setAuthorizationStatus(EventStoreEntityType::event,
                                                     EventStoreAuthorizationStatus::fullAccess);
    rig.platform.loop.advance(OnboardingViewModel::pollInterval);
    OnboardingViewModel& model = window->model();
    model.getStarted();
    model.continueToSandbox();
    model.sandbox().tapChip("note", "first");
    model.sandbox().submitCapture();
    model.finalizeSetup();
    settle();
    OnboardingButton& launch = window->complete().launchButton();
    QTest::mouseClick(&launch, Qt::LeftButton);
    settle();

    EXPECT_FALSE(window) << "the window was closed and deleted";
    EXPECT_FALSE(delegate->hasOnboardingWindow());
    EXPECT_TRUE(rig.platform.defaults.boolForKey("hasCompletedOnboarding"));
    EXPECT_TRUE(tapRunning());
    EXPECT_EQ(statusItems, 1) << "the agent started once";
}

TEST_F(OnboardingWindowHandOffTest, ClosingTheWindowEarlyStartsTheAgentAndOnboardingStaysDue)
{
    delegate->applicationDidFinishLaunching();
    settle();
    ASSERT_TRUE(window);
    window->close();
    settle();
    EXPECT_FALSE(window);
    EXPECT_TRUE(tapRunning());
    EXPECT_EQ(statusItems, 1);
    EXPECT_FALSE(rig.platform.defaults.boolForKey("hasCompletedOnboarding"));
}

}  // namespace
}  // namespace qm::test
