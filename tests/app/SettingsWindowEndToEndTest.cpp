#include <memory>
#include <stdexcept>

#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "capture/CaptureFailureNotice.h"
#include "capture/EventTapManager.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/sim/workspace/SimActivationPolicy.h"
#include "records/CaptureHistoryStore.h"
#include "records/FallbackCaptureLogger.h"
#include "settings/SettingsWindowModel.h"
#include "settings/views/SettingsWindowController.h"
#include "settings/views/SettingsWindowWidget.h"
#include "shell/CaptureFailurePresenter.h"
#include "support/QtTestApplication.h"
#include "support/StandInApp.h"

namespace qm {
namespace {

// The composed program with the settings window wired as the running program
// wires it: the failure alert opens it, and it changes what the event tap takes.
class SettingsWindowEndToEndTest : public testing::Test {
protected:
    SettingsWindowEndToEndTest()
    {
        AppComposition::Options options;
        options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
        options.backgroundThreads = 1;
        AppComposition& app = rig.compose(rig.bundle(), std::move(options));
        settings = std::make_unique<SettingsWindowController>(
            SettingsServices{
                .mainLoop = rig.platform.loop,
                .notificationCenter = rig.platform.notificationCenter,
                .defaults = rig.platform.defaults,
                .keychain = app.secrets(),
                .history = app.history(),
                .fallbackLog = app.recoveryLog(),
                .pasteboard = rig.platform.pasteboard,
                .workspace = rig.platform.desktop.workspace(),
                .scheduler = app.notificationScheduler(),
                .permissions = app.permissions(),
                .clock = rig.platform.clock,
                .setMCPServerRunning = {},
            },
            nullptr, [] {});
        AppDelegate::Hooks hooks;
        hooks.installRequestObservers = [this, &app]() -> std::shared_ptr<void> {
            return std::make_shared<CaptureFailurePresenter>(
                CaptureFailurePresenter::Services{rig.platform.loop, rig.platform.notificationCenter,
                                                  rig.platform.alerts, policy, app.permissions()},
                [this] { settings->show(); });
        };
        rig.platform.defaults.set("hasCompletedOnboarding", true);
        delegate = std::make_unique<AppDelegate>(
            AppDelegate::Services{
                .mainLoop = rig.platform.loop,
                .defaults = rig.platform.defaults,
                .notificationCenter = rig.platform.notificationCenter,
                .workspace = rig.platform.desktop.workspace(),
                .alerts = rig.platform.alerts,
                .permissions = app.permissions(),
                .eventTapManager = app.eventTapManager(),
            },
            std::move(hooks));
        delegate->applicationDidFinishLaunching();
        rig.platform.loop.runUntilIdle();
    }

    ~SettingsWindowEndToEndTest() override
    {
        settings.reset();
        delegate.reset();
    }

    QApplication& application = test::qtApplication();
    test::StandInApp rig;
    SimActivationPolicy policy;
    std::unique_ptr<SettingsWindowController> settings;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(SettingsWindowEndToEndTest, TheFailureAlertsButtonOpensErrorLogsWithTheLine)
{
    ASSERT_TRUE(rig.app->recoveryLog().saveFallback("buy <milk>", "note", std::runtime_error("Disk full")));
    rig.platform.alerts.answerNextWithButton("Show recovery log");
    CaptureFailureNotice::guided("note", "Disk full", true).post(rig.platform.notificationCenter);
    rig.platform.loop.advance(1.0);

    ASSERT_NE(settings->window(), nullptr);
    EXPECT_TRUE(settings->window()->isVisible());
    EXPECT_EQ(settings->model()->currentSection(), SettingsSection::errorLogs);
    ASSERT_NE(settings->model()->errorLogs(), nullptr);
    QStringList shown;
    for (auto* label : settings->window()->findChildren<QLabel*>()) {
        if (!label->isHidden()) {
            shown << label->text();
        }
    }
    EXPECT_TRUE(shown.contains("buy <milk>"));
    EXPECT_TRUE(shown.contains("Disk full"));
}

TEST_F(SettingsWindowEndToEndTest, AShortcutRecordedInTheWindowChangesWhatTheTapAccepts)
{
    EventTapManager& tap = rig.app->eventTapManager();
    EXPECT_EQ(tap.shortcutModifiers(), KeyEventFlags::control);
    settings->show(SettingsSection::shortcuts);
    ShortcutRecorderModel& recorder = *settings->model()->shortcuts();
    recorder.toggleRecording();
    KeyEvent held;
    held.setType(KeyEventType::flagsChanged);
    held.setFlags(KeyEventFlags::control | KeyEventFlags::alternate);
    recorder.handleEvent(held);
    EXPECT_EQ(tap.shortcutModifiers(), KeyEventFlags::control | KeyEventFlags::alternate);
    held.setFlags(KeyEventFlags::command);
    recorder.handleEvent(held);
    EXPECT_EQ(tap.shortcutModifiers(), KeyEventFlags::control | KeyEventFlags::alternate)
        << "a refused set never reaches the tap";
}

}  // namespace
}  // namespace qm
