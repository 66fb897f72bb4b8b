#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/OnboardingWindow.h"
#include "app/StatusItem.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/Timer.h"
#include "platform/workspace/RunningApplication.h"
#include "shell/WindowCloseHandler.h"

namespace qm {

class AlertPresenter;
class EventTapManager;
class EventTapManagerDelegate;
class MainLoop;
class PermissionsManager;
class UserDefaults;
class Workspace;

// The application's life on the main thread: the start-up sequence that
// wires the services together, the onboarding hand-off, the switch to a
// status-bar agent with capture started (or the Accessibility prompt and its
// poll), and the stop sequence. The services themselves are built by
// AppComposition, which also moves legacy secrets before anything else runs;
// what lives in windows and other subsystems is reached through the hooks.
class AppDelegate {
public:
    struct Services {
        MainLoop& mainLoop;
        UserDefaults& defaults;
        NotificationCenter& notificationCenter;
        Workspace& workspace;
        AlertPresenter& alerts;
        PermissionsManager& permissions;
        EventTapManager& eventTapManager;
    };

    // Each hook may be empty: that step is then skipped.
    struct Hooks {
        // Receives the tap's suggestion calls (none: nobody shows suggestions).
        EventTapManagerDelegate* tapDelegate = nullptr;
        std::function<void()> startKeyboardGuardSelfHealing;
        std::function<void()> configureNotificationCategories;
        std::function<void()> installNotificationDelegate;
        // The countdown of timers and alarms in the status bar.
        std::function<void()> startCountdown;
        // Installs the observers of failure, HUD and cross-process HUD
        // requests; they live as long as what the hook returns.
        std::function<std::shared_ptr<void>()> installRequestObservers;
        std::function<void()> startMCPServer;
        std::function<void()> triggerReindex;
        std::function<void()> checkForUpdatesIfNeeded;
        // The application in front at launch (its browser domain is looked up).
        std::function<void(const RunningApplication&)> frontmostAtLaunch;
        // Capture started with this application in front.
        std::function<void(const RunningApplication&)> applicationActivated;
        // Another application came in front (the workspace's notification).
        std::function<void(const RunningApplication&)> workspaceAppActivated;
        // The stop sequence, after the tap stopped: focus observation ends
        // and the field in use is learned.
        std::function<void()> stopFocusObservation;
        // Regular (true: Dock icon and menus) or accessory; false when refused.
        std::function<bool(bool regular)> setActivationPolicy;
        std::function<std::unique_ptr<StatusItem>()> makeStatusItem;
        std::function<std::unique_ptr<OnboardingWindow>(OnboardingWindow::Callbacks)> makeOnboardingWindow;
        // Shows a message on the HUD.
        std::function<void(const std::string& message, const std::optional<std::string>& systemImage)>
            showHUD;
        // When an update was announced ("AppUpdateAvailable"), after the
        // status item showed it.
        std::function<void()> updateAvailable;
    };

    static constexpr double kAccessibilityPollInterval = 2.0;

    AppDelegate(Services services, Hooks hooks);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    void showOnboardingWindow();
    void completeOnboarding();
    void activateMenuBarAgentAndStartServices();
    void promptForAccessibilityPermission();

    // The window-delegate callback of the windows the delegate owns.
    void windowWillClose(WindowCloseHandler::ClosingWindow window);

    // The status menu is built afresh (its figures changed), when there is one.
    void rebuildStatusMenu();

    bool hasStatusItem() const { return statusItem_ != nullptr; }
    bool hasOnboardingWindow() const { return onboardingWindow_ != nullptr; }

private:
    void installObservers();
    void setupStatusItem();
    void replaceStatusItem();
    // The status item, the update check, then capture or the Accessibility prompt.
    void startMenuBarServices();
    void startCapture();
    void shortcutPreferenceChanged();
    void captureHistoryChanged();

    Services services_;
    Hooks hooks_;
    std::unique_ptr<StatusItem> statusItem_;
    std::unique_ptr<OnboardingWindow> onboardingWindow_;
    std::vector<NotificationCenter::ObserverToken> observers_;
    std::vector<NotificationCenter::ObserverToken> workspaceObservers_;
    std::shared_ptr<void> requestObservers_;
    // One poll per Accessibility prompt; each stops itself once trust is there.
    std::vector<std::shared_ptr<Timer>> accessibilityPolls_;
    WindowCloseHandler windowClose_;
    AliveToken alive_;
};

}  // namespace qm
