#include "app/AppDelegate.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "capture/EventTapManager.h"
#include "platform/sim/workspace/SimApplication.h"
#include "records/RecordsNotifications.h"
#include "shell/PermissionsManager.h"
#include "shell/ShortcutPreference.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;

// Everything the delegate reaches through its hooks, written down in order.
struct Recorder {
    std::vector<std::string> calls;
    int liveStatusItems = 0;
    int mostLiveStatusItems = 0;
    int menuBuilds = 0;
    int updatesShown = 0;
    OnboardingWindow::Callbacks onboarding;
    int onboardingRaises = 0;
    int onboardingDismissals = 0;
};

class RecordingStatusItem final : public StatusItem {
public:
    explicit RecordingStatusItem(Recorder& recorder) : recorder_(recorder)
    {
        recorder_.mostLiveStatusItems = std::max(recorder_.mostLiveStatusItems, ++recorder_.liveStatusItems);
    }
    ~RecordingStatusItem() override { --recorder_.liveStatusItems; }
    void rebuildMenu() override { ++recorder_.menuBuilds; }
    void showUpdateAvailable() override { ++recorder_.updatesShown; }

private:
    Recorder& recorder_;
};

class RecordingOnboardingWindow final : public OnboardingWindow {
public:
    explicit RecordingOnboardingWindow(Recorder& recorder) : recorder_(recorder) {}
    void raise() override { ++recorder_.onboardingRaises; }
    void dismiss() override { ++recorder_.onboardingDismissals; }

private:
    Recorder& recorder_;
};

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest()
    {
        AppComposition::Options options;
        options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
        options.backgroundThreads = 1;
        rig.compose(rig.bundle(), std::move(options));
        rig.platform.desktop.trust().setTrusted(true);
        editor.emplace(rig.platform.desktop.addApplication("com.example.editor", "Editor"));
        editor->activate();
        rig.platform.loop.runUntilIdle();
    }

    ~AppDelegateTest() override
    {
        if (delegate) {
            delegate->applicationWillTerminate();
        }
        delegate.reset();
        rig.platform.loop.runUntilIdle();
    }

    // The tap comes up on its own thread: true once it is there (within 2 s).
    bool tapRunning()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!rig.app->eventTapManager().eventTap() && std::chrono::steady_clock::now() < until) {
            rig.platform.loop.runUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return rig.app->eventTapManager().eventTap() != nullptr;
    }

    AppDelegate& launch()
    {
        AppComposition& app = *rig.app;
        auto note = [this](std::string call) { return [this, call] { record.calls.push_back(call); }; };
        AppDelegate::Hooks hooks;
        hooks.startKeyboardGuardSelfHealing = note("guard");
        hooks.configureNotificationCategories = note("categories");
        hooks.installNotificationDelegate = note("notification delegate");
        hooks.startCountdown = [this] {
            // The update observer is already there; the workspace one not yet.
            record.calls.push_back(rig.platform.notificationCenter.observerCount("AppUpdateAvailable") == 1
                                       ? "countdown"
                                       : "countdown too early");
        };
        hooks.installRequestObservers = [this] {
            record.calls.push_back("request observers");
            return std::shared_ptr<void>();
        };
        hooks.startMCPServer = note("mcp");
        hooks.triggerReindex = note("reindex");
        hooks.checkForUpdatesIfNeeded = note("updates");
        hooks.frontmostAtLaunch = [this](const RunningApplication& application) {
            record.calls.push_back("frontmost " + application.bundleIdentifier.value_or(""));
        };
        hooks.applicationActivated = [this](const RunningApplication& application) {
            record.calls.push_back("activated " + application.bundleIdentifier.value_or(""));
        };
        hooks.workspaceAppActivated = [this](const RunningApplication& application) {
            record.calls.push_back("workspace " + application.bundleIdentifier.value_or(""));
        };
        hooks.stopFocusObservation = [this] {
            record.calls.push_back(rig.app->eventTapManager().eventTap() ? "stop focus, tap running"
                                                                         : "stop focus");
        };
        hooks.setActivationPolicy = [this](bool regular) {
            record.calls.push_back(regular ? "regular" : "accessory");
            return true;
        };
        hooks.makeStatusItem = [this] {
            record.calls.push_back("status item");
            return std::make_unique<RecordingStatusItem>(record);
        };
        hooks.makeOnboardingWindow = [this](OnboardingWindow::Callbacks callbacks) {
            record.calls.push_back("onboarding");
            record.onboarding = std::move(callbacks);
            return std::make_unique<RecordingOnboardingWindow>(record);
        };
        hooks.showHUD = [this](const std::string& message, const std::optional<std::string>&) {
            record.calls.push_back("HUD " + message);
        };
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
        return *delegate;
    }

    void completeOnboardingDefaults()
    {
        rig.platform.defaults.set("hasCompletedOnboarding", true);
        rig.platform.defaults.set("hasSelectedShortcut", true);
    }

    StandInApp rig;
    std::optional<SimApplication> editor;
    Recorder record;
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(AppDelegateTest, LaunchAfterOnboardingWiresTheServicesInOrderAndStartsCapture)
{
    completeOnboardingDefaults();
    launch();
    EXPECT_THAT(record.calls, ElementsAre("guard", "categories", "notification delegate", "countdown",
                                          "request observers", "frontmost com.example.editor", "reindex",
                                          "status item", "updates", "activated com.example.editor"));
    EXPECT_TRUE(tapRunning());
    EXPECT_TRUE(rig.platform.alerts.shownAlerts().empty());
}

TEST_F(AppDelegateTest, OnlyAStoredTrueStartsTheMCPServer)
{
    struct Case {
        const char* name;
        std::optional<DefaultsValue> stored;
        bool starts;
    };
    const Case cases[] = {
        {"absent", std::nullopt, false},        {"true", DefaultsValue(true), true},
        {"false", DefaultsValue(false), false}, {"text", DefaultsValue("true"), false},
        {"number", DefaultsValue(1), false},
    };
    for (const Case& c : cases) {
        record = {};
        delegate.reset();
        completeOnboardingDefaults();
        if (c.stored) {
            rig.platform.defaults.set("isMCPServerEnabled", *c.stored);
        } else {
            rig.platform.defaults.removeObjectForKey("isMCPServerEnabled");
        }
        launch();
        const bool started = std::ranges::count(record.calls, std::string("mcp")) == 1;
        EXPECT_EQ(started, c.starts) << c.name;
        delegate->applicationWillTerminate();
    }
}

TEST_F(AppDelegateTest, FirstStartShowsOnboardingAndCompletingItStartsTheAgentOnce)
{
    launch();
    EXPECT_THAT(record.calls,
                ElementsAre("guard", "categories", "notification delegate", "countdown", "request observers",
                            "frontmost com.example.editor", "reindex", "regular", "onboarding"));
    EXPECT_FALSE(delegate->hasStatusItem());
    EXPECT_FALSE(rig.app->eventTapManager().eventTap());

    delegate->showOnboardingWindow();
    EXPECT_EQ(std::ranges::count(record.calls, std::string("onboarding")), 1);
    EXPECT_EQ(record.onboardingRaises, 2);

    // A shortcut change during onboarding reloads the tap and builds no menu.
    rig.platform.notificationCenter.post(ShortcutPreference::changedNotification);
    EXPECT_EQ(record.menuBuilds, 0);

    record.calls.clear();
    completeOnboardingDefaults();
    record.onboarding.completed();
    EXPECT_EQ(record.onboardingDismissals, 1);
    EXPECT_FALSE(delegate->hasOnboardingWindow());
    rig.platform.loop.runUntilIdle();
    EXPECT_THAT(record.calls,
                ElementsAre("accessory", "status item", "updates", "activated com.example.editor"));
    EXPECT_TRUE(tapRunning());
}

TEST_F(AppDelegateTest, ClosingOnboardingStartsTheAgentButLeavesItUnfinished)
{
    launch();
    record.calls.clear();
    record.onboarding.closed();
    rig.platform.loop.runUntilIdle();
    EXPECT_THAT(record.calls,
                ElementsAre("accessory", "status item", "updates", "activated com.example.editor"));
    EXPECT_FALSE(rig.platform.defaults.boolForKey("hasCompletedOnboarding"));
    EXPECT_TRUE(tapRunning());
}

TEST_F(AppDelegateTest, ClosingTheSettingsWindowMakesTheAgentAgainWithOneStatusItem)
{
    completeOnboardingDefaults();
    launch();
    record.calls.clear();
    delegate->windowWillClose(WindowCloseHandler::ClosingWindow::settings);
    EXPECT_TRUE(record.calls.empty()) << "later, on the main loop";
    rig.platform.loop.runUntilIdle();
    EXPECT_THAT(record.calls, ElementsAre("accessory", "status item"));
    EXPECT_TRUE(delegate->hasStatusItem());
    EXPECT_EQ(record.mostLiveStatusItems, 1);
}

TEST_F(AppDelegateTest, NoFrontmostApplicationStartsTheTapAlone)
{
    completeOnboardingDefaults();
    editor->terminate();
    rig.platform.loop.runUntilIdle();
    ASSERT_FALSE(rig.platform.desktop.workspace().frontmostApplication());
    launch();
    EXPECT_TRUE(tapRunning());
    for (const std::string& call : record.calls) {
        EXPECT_FALSE(call.starts_with("activated") || call.starts_with("frontmost")) << call;
    }
}

TEST_F(AppDelegateTest, WithoutAccessibilityTheAlertIsShownAndThePollStartsCaptureOnceTrusted)
{
    completeOnboardingDefaults();
    rig.platform.desktop.trust().setTrusted(false);
    rig.platform.alerts.answerNextWithButton("Later");
    launch();

    const auto alerts = rig.platform.alerts.shownAlerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "Accessibility required for // capture");
    EXPECT_EQ(alerts[0].informativeText,
              "Quillmarker needs Accessibility permission to detect // commands in any app.\n\nOpen System "
              "Settings → Privacy & Security → Accessibility and enable Quillmarker. The menu bar icon stays "
              "available while you do this.");
    EXPECT_EQ(alerts[0].alertStyle, Alert::Style::informational);
    EXPECT_THAT(alerts[0].buttons, ElementsAre("Open Settings", "Later"));
    EXPECT_TRUE(rig.platform.desktop.workspace().openedURLs().empty());
    EXPECT_TRUE(delegate->hasStatusItem());
    rig.platform.clock.advance(AppDelegate::kAccessibilityPollInterval);
    rig.platform.loop.runUntilIdle();
    EXPECT_EQ(std::ranges::count(record.calls, std::string("activated com.example.editor")), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    rig.platform.loop.runUntilIdle();
    EXPECT_FALSE(rig.app->eventTapManager().eventTap());

    record.calls.clear();
    rig.platform.desktop.trust().setTrusted(true);
    rig.platform.clock.advance(AppDelegate::kAccessibilityPollInterval);
    rig.platform.loop.runUntilIdle();
    EXPECT_TRUE(tapRunning());
    EXPECT_THAT(record.calls,
                ElementsAre("activated com.example.editor", "HUD Capture is ready. Type //note in any app."));

    // The poll stopped itself.
    record.calls.clear();
    rig.platform.clock.advance(10 * AppDelegate::kAccessibilityPollInterval);
    rig.platform.loop.runUntilIdle();
    EXPECT_TRUE(record.calls.empty());
}

TEST_F(AppDelegateTest, OpenSettingsFromTheAccessibilityAlertOpensThePane)
{
    completeOnboardingDefaults();
    rig.platform.desktop.trust().setTrusted(false);
    rig.platform.alerts.answerNextWithButton("Open Settings");
    launch();
    const auto opened = rig.platform.desktop.workspace().openedURLs();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_THAT(opened[0], ::testing::HasSubstr("Accessibility"));
}

TEST_F(AppDelegateTest, TheMenuFollowsHistoryShortcutAndUpdateChangesAndThereIsNeverASecondItem)
{
    completeOnboardingDefaults();
    launch();
    rig.platform.notificationCenter.post(RecordsNotifications::captureHistoryChanged);
    EXPECT_EQ(record.menuBuilds, 0) << "rebuilt on the main loop, not in the poster's call";
    rig.platform.loop.runUntilIdle();
    EXPECT_EQ(record.menuBuilds, 1);
    rig.platform.notificationCenter.post(ShortcutPreference::changedNotification);
    EXPECT_EQ(record.menuBuilds, 2);

    rig.platform.notificationCenter.post("AppUpdateAvailable");
    EXPECT_EQ(record.updatesShown, 0) << "shown on the main loop, not in the poster's call";
    rig.platform.loop.runUntilIdle();
    EXPECT_EQ(record.updatesShown, 1);

    delegate->activateMenuBarAgentAndStartServices();
    EXPECT_EQ(record.liveStatusItems, 1);
    EXPECT_EQ(record.mostLiveStatusItems, 1);
}

TEST_F(AppDelegateTest, StopSequenceStopsTheTapThenFocusObservation)
{
    completeOnboardingDefaults();
    launch();
    ASSERT_TRUE(tapRunning());
    record.calls.clear();
    delegate->applicationWillTerminate();
    EXPECT_FALSE(rig.app->eventTapManager().eventTap());
    EXPECT_THAT(record.calls, ElementsAre("stop focus"));
}

TEST_F(AppDelegateTest, AnotherApplicationInFrontIsHandedOnOnce)
{
    completeOnboardingDefaults();
    launch();
    record.calls.clear();
    const SimApplication notes = rig.platform.desktop.addApplication("com.example.notes", "Notes");
    notes.activate();
    rig.platform.loop.runUntilIdle();
    EXPECT_THAT(record.calls, ElementsAre("workspace com.example.notes"));
}

}  // namespace
}  // namespace qm::test
