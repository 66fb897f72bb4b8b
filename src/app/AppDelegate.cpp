#include "app/AppDelegate.h"

#include "base/Log.h"
#include "capture/EventTapManager.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "platform/workspace/Alert.h"
#include "platform/workspace/AlertPresenter.h"
#include "platform/workspace/Workspace.h"
#include "records/RecordsNotifications.h"
#include "shell/PermissionsManager.h"
#include "shell/ShortcutPreference.h"

namespace qm {

namespace {

constexpr const char* kHasCompletedOnboarding = "hasCompletedOnboarding";
constexpr const char* kIsMCPServerEnabled = "isMCPServerEnabled";
constexpr const char* kAppUpdateAvailable = "AppUpdateAvailable";

template <class F> void callIfSet(const F& hook)
{
    if (hook) {
        hook();
    }
}

}  // namespace

AppDelegate::AppDelegate(Services services, Hooks hooks)
    : services_(services), hooks_(std::move(hooks)),
      windowClose_(
          services_.mainLoop, services_.defaults,
          WindowCloseHandler::Hooks{
              .switchToAccessoryPolicy =
                  [this] {
                      if (hooks_.setActivationPolicy) {
                          hooks_.setActivationPolicy(false);
                      }
                  },
              .replaceStatusItem = [this] { replaceStatusItem(); },
              .forgetOnboardingWindow = [this] { onboardingWindow_.reset(); },
              .activateMenuBarAgentAndStartServices = [this] { activateMenuBarAgentAndStartServices(); },
          })
{
}

AppDelegate::~AppDelegate()
{
    for (const auto& token : observers_) {
        services_.notificationCenter.removeObserver(token);
    }
    for (const auto& token : workspaceObservers_) {
        services_.workspace.notificationCenter().removeObserver(token);
    }
    services_.eventTapManager.setDelegate(nullptr);
}

void AppDelegate::applicationDidFinishLaunching()
{
    services_.eventTapManager.setDelegate(hooks_.tapDelegate);
    callIfSet(hooks_.startKeyboardGuardSelfHealing);
    callIfSet(hooks_.configureNotificationCategories);
    callIfSet(hooks_.installNotificationDelegate);
    installObservers();

    if (const auto frontmost = services_.workspace.frontmostApplication()) {
        if (hooks_.frontmostAtLaunch) {
            hooks_.frontmostAtLaunch(*frontmost);
        }
    }

    // Only a stored Boolean true starts the server; "true" as text does not.
    const auto mcpEnabled = services_.defaults.objectForKey(kIsMCPServerEnabled);
    if (mcpEnabled && mcpEnabled->get<bool>() && *mcpEnabled->get<bool>()) {
        callIfSet(hooks_.startMCPServer);
    }
    callIfSet(hooks_.triggerReindex);

    if (!services_.defaults.boolForKey(kHasCompletedOnboarding)) {
        showOnboardingWindow();
        return;
    }
    startMenuBarServices();
}

void AppDelegate::installObservers()
{
    NotificationCenter& center = services_.notificationCenter;
    const auto watch = alive_.watch();
    observers_.push_back(center.addObserver(kAppUpdateAvailable, nullptr, [this, watch](const Notification&) {
        services_.mainLoop.post([this, watch] {
            if (!watch) {
                return;
            }
            if (statusItem_) {
                statusItem_->showUpdateAvailable();
            }
            if (hooks_.updateAvailable) {
                hooks_.updateAvailable();
            }
        });
    }));
    callIfSet(hooks_.startCountdown);
    workspaceObservers_.push_back(services_.workspace.notificationCenter().addObserver(
        std::string(Workspace::didActivateApplicationNotification), nullptr,
        [this](const Notification& note) {
            const auto application =
                note.userInfo.get<RunningApplication>(std::string(Workspace::applicationUserInfoKey));
            if (application && hooks_.workspaceAppActivated) {
                hooks_.workspaceAppActivated(*application);
            }
        }));
    observers_.push_back(center.addObserver(ShortcutPreference::changedNotification, nullptr,
                                            [this](const Notification&) { shortcutPreferenceChanged(); }));
    observers_.push_back(center.addObserver(RecordsNotifications::captureHistoryChanged, nullptr,
                                            [this](const Notification&) { captureHistoryChanged(); }));
    if (hooks_.installRequestObservers) {
        requestObservers_ = hooks_.installRequestObservers();
    }
}

void AppDelegate::applicationWillTerminate()
{
    services_.eventTapManager.stop();
    callIfSet(hooks_.stopFocusObservation);
    for (auto& poll : accessibilityPolls_) {
        poll->invalidate();
    }
    accessibilityPolls_.clear();
}

void AppDelegate::shortcutPreferenceChanged()
{
    services_.eventTapManager.loadShortcutPreferences();
    if (statusItem_) {
        statusItem_->rebuildMenu();
    }
}

void AppDelegate::captureHistoryChanged()
{
    // The history is cleared from whatever thread clears it.
    services_.mainLoop.post(alive_.guard([this] {
        if (statusItem_) {
            statusItem_->rebuildMenu();
        }
    }));
}

void AppDelegate::rebuildStatusMenu()
{
    if (statusItem_) {
        statusItem_->rebuildMenu();
    }
}

void AppDelegate::setupStatusItem()
{
    if (hooks_.makeStatusItem) {
        statusItem_ = hooks_.makeStatusItem();
    }
}

void AppDelegate::replaceStatusItem()
{
    // Never two items in the bar: the old one goes before the new one comes.
    statusItem_.reset();
    setupStatusItem();
}

void AppDelegate::startMenuBarServices()
{
    replaceStatusItem();
    callIfSet(hooks_.checkForUpdatesIfNeeded);
    if (services_.permissions.isAccessibilityTrusted()) {
        startCapture();
    } else {
        promptForAccessibilityPermission();
    }
}

void AppDelegate::startCapture()
{
    services_.eventTapManager.start();
    if (const auto frontmost = services_.workspace.frontmostApplication()) {
        if (hooks_.applicationActivated) {
            hooks_.applicationActivated(*frontmost);
        }
    }
}

void AppDelegate::showOnboardingWindow()
{
    if (onboardingWindow_) {
        onboardingWindow_->raise();
        return;
    }
    if (hooks_.setActivationPolicy) {
        hooks_.setActivationPolicy(true);
    }
    if (!hooks_.makeOnboardingWindow) {
        // Nothing can show onboarding: go on as if its window had been closed.
        services_.mainLoop.post(
            alive_.guard([this] { windowWillClose(WindowCloseHandler::ClosingWindow::onboarding); }));
        return;
    }
    const auto watch = alive_.watch();
    onboardingWindow_ = hooks_.makeOnboardingWindow(OnboardingWindow::Callbacks{
        .completed =
            [this, watch] {
                if (watch) {
                    completeOnboarding();
                }
            },
        .closed =
            [this, watch] {
                if (watch) {
                    windowWillClose(WindowCloseHandler::ClosingWindow::onboarding);
                }
            },
    });
    if (onboardingWindow_) {
        onboardingWindow_->raise();
    }
}

void AppDelegate::completeOnboarding()
{
    if (auto window = std::move(onboardingWindow_)) {
        window->dismiss();
    }
    services_.mainLoop.post(alive_.guard([this] { activateMenuBarAgentAndStartServices(); }));
}

void AppDelegate::windowWillClose(WindowCloseHandler::ClosingWindow window)
{
    windowClose_.windowWillClose(window);
}

void AppDelegate::activateMenuBarAgentAndStartServices()
{
    if (hooks_.setActivationPolicy && !hooks_.setActivationPolicy(false)) {
        hooks_.setActivationPolicy(false);
    }
    startMenuBarServices();
}

void AppDelegate::promptForAccessibilityPermission()
{
    Alert alert;
    alert.alertStyle = Alert::Style::informational;
    alert.messageText = "Accessibility required for // capture";
    alert.informativeText =
        "Quillmarker needs Accessibility permission to detect // commands in any app.\n\n"
        "Open System Settings → Privacy & Security → Accessibility and enable Quillmarker. "
        "The menu bar icon stays available while you do this.";
    alert.addButton("Open Settings");
    alert.addButton("Later");
    if (alert.runModal(services_.alerts) == Alert::alertFirstButtonReturn) {
        services_.permissions.openAccessibilitySettings();
    }

    auto poll = std::make_shared<Timer>();
    std::weak_ptr<Timer> weakPoll = poll;
    *poll = Timer::scheduledTimer(services_.mainLoop, kAccessibilityPollInterval, true,
                                  alive_.guard([this, weakPoll] {
                                      if (!services_.permissions.isAccessibilityTrusted()) {
                                          return;
                                      }
                                      startCapture();
                                      if (const auto poll = weakPoll.lock()) {
                                          poll->invalidate();
                                      }
                                      if (hooks_.showHUD) {
                                          hooks_.showHUD("Capture is ready. Type //note in any app.",
                                                         std::string("checkmark.circle.fill"));
                                      }
                                  }));
    accessibilityPolls_.push_back(std::move(poll));
    Log::log("🔐 Waiting for Accessibility permission");
}

}  // namespace qm
