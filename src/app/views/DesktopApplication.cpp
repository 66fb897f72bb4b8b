#include "app/views/DesktopApplication.h"

#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "app/views/MinimalOnboardingWindow.h"
#include "app/views/OnboardingWindowHandle.h"
#include "app/views/StdinKeyboard.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "capture/views/CaptureOverlayPanelWidget.h"
#include "knowledge/MCPServer.h"
#include "knowledge/SecondBrainIndexer.h"
#include "platform/runtime/Clock.h"
#include "shell/AccessibilityEnablementManager.h"
#include "shell/CaptureFailurePresenter.h"
#include "shell/HUDRequestHandler.h"
#include "shell/NotificationDelegate.h"
#include "settings/views/SettingsWindowController.h"
#include "shell/views/HUDWindowWidget.h"

namespace qm {

DesktopApplication::DesktopApplication(Options options)
    : options_(std::move(options)),
      platform_(Clock::system(), options_.defaultsFile,
                options_.applicationSupport / paths::kBundleIdentifier / "notification-schedule.json"),
      guard_(platform_.loop, platform_.notificationCenter, windows_),
      hud_(platform_.loop, platform_.screens, std::make_unique<HUDWindowWidget>(platform_.loop))
{
    // The stand-in desktop is this program's own: there is no one else to
    // grant Accessibility to it.
    platform_.desktop.trust().setTrusted(true);
    app_ =
        std::make_unique<AppComposition>(platform_.bundle(options_.applicationSupport), compositionOptions());
    host_ = std::make_unique<HostWindow>(platform_.desktop, HostWindow::Spec{});
    host_->setGeometry(120, 160, 520, 120);
    delegate_ = std::make_unique<AppDelegate>(
        AppDelegate::Services{
            .mainLoop = platform_.loop,
            .defaults = platform_.defaults,
            .notificationCenter = platform_.notificationCenter,
            .workspace = platform_.desktop.workspace(),
            .alerts = platform_.alerts,
            .permissions = app_->permissions(),
            .eventTapManager = app_->eventTapManager(),
        },
        delegateHooks());
    settings_ = std::make_unique<SettingsWindowController>(
        SettingsServices{
            .mainLoop = platform_.loop,
            .notificationCenter = platform_.notificationCenter,
            .defaults = platform_.defaults,
            .keychain = app_->secrets(),
            .history = app_->history(),
            .fallbackLog = app_->recoveryLog(),
            .pasteboard = platform_.pasteboard,
            .workspace = platform_.desktop.workspace(),
            .userNotifications = platform_.userNotifications,
            .permissions = app_->permissions(),
            .clock = platform_.clock,
            .setMCPServerRunning =
                [this](bool running) {
                    if (auto* assistant = app_->assistant()) {
                        running ? assistant->mcpServer().start() : assistant->mcpServer().stop();
                    }
                },
        },
        &guard_, [this] { delegate_->windowWillClose(WindowCloseHandler::ClosingWindow::settings); });
}

DesktopApplication::~DesktopApplication()
{
    keyboard_.reset();
    settings_.reset();
    delegate_.reset();
    host_.reset();
    app_.reset();
    platform_.defaults.synchronize();
}

AppComposition::Options DesktopApplication::compositionOptions()
{
    AppComposition::Options options;
    options.showHUD = [this](const std::string& message, const std::optional<std::string>& image) {
        hud_.show(message, image);
    };
    options.makeOverlayPanel = [this](CaptureRouterController& router) {
        return std::make_shared<CaptureOverlayPanelWidget>(platform_.loop, platform_.clock, router,
                                                           platform_.notificationCenter, platform_.screens,
                                                           platform_.defaults, guard_);
    };
    options.isOwnEditableWindowKey = [this] { return guard_.isOwnEditableWindowKey(); };
    options.withAssistant = true;
    return options;
}

AppDelegate::Hooks DesktopApplication::delegateHooks()
{
    AppDelegate::Hooks hooks;
    hooks.startKeyboardGuardSelfHealing = [this] { guard_.startSelfHealing(); };
    hooks.startMCPServer = [this] { app_->assistant()->mcpServer().start(); };
    hooks.triggerReindex = [this] { app_->assistant()->indexer().triggerAsyncReindex(); };
    hooks.showHUD = [this](const std::string& message, const std::optional<std::string>& image) {
        hud_.show(message, image);
    };
    hooks.installNotificationDelegate =
        [this, delegate = std::make_shared<NotificationDelegate>(platform_.loop, nullptr)] {
            // No update checker yet: a click on an update notification installs nothing.
            platform_.userNotifications.setDelegate(delegate);
        };
    hooks.installRequestObservers = [this, showHUD = hooks.showHUD]() -> std::shared_ptr<void> {
        struct RequestObservers {
            HUDRequestHandler hud;
            CaptureFailurePresenter failures;
        };
        // Built in place: neither handler can be moved.
        return std::shared_ptr<RequestObservers>(new RequestObservers{
            .hud = {HUDRequestHandler::Services{platform_.loop, platform_.notificationCenter,
                                                platform_.distributedNotifications},
                    [this] { return app_->records().quietWindow().isActive(); }, showHUD},
            .failures = {CaptureFailurePresenter::Services{platform_.loop, platform_.notificationCenter,
                                                           platform_.alerts, platform_.activationPolicy,
                                                           app_->permissions()},
                         [this] { settings_->show(); }},
        });
    };
    hooks.applicationActivated =
        [enablement = std::make_shared<AccessibilityEnablementManager>(
             platform_.loop, platform_.desktop.accessibility())](const RunningApplication& application) {
            enablement->onAppActivated(application);
        };
    hooks.setActivationPolicy = [this](bool regular) {
        return platform_.activationPolicy.setActivationPolicy(regular ? ActivationPolicy::Policy::regular
                                                                      : ActivationPolicy::Policy::accessory);
    };
    if (!options_.headless) {
        hooks.makeOnboardingWindow = [this](OnboardingWindow::Callbacks callbacks) {
            auto* window = new MinimalOnboardingWindow(platform_.defaults, platform_.notificationCenter,
                                                       std::move(callbacks));
            return std::make_unique<OnboardingWindowHandle>(window);
        };
    }
    return hooks;
}

void DesktopApplication::openSettings(std::optional<SettingsSection> section)
{
    (void)platform_.activationPolicy.setActivationPolicy(ActivationPolicy::Policy::regular);
    settings_->show(section);
    platform_.activationPolicy.activate(true);
}

void DesktopApplication::launch()
{
    host_->show();
    host_->activateWindow();
    delegate_->applicationDidFinishLaunching();
    if (options_.headless) {
        Log::print("⌨️ Quillmarker: typing standard input into the host window (a line feed is Return)");
        keyboard_ = std::make_unique<StdinKeyboard>(
            STDIN_FILENO, options_.keyIntervalMs, [this] { return windowsInMotion(); },
            [this] { quitWhenSettled(); });
    }
}

bool DesktopApplication::windowsInMotion()
{
    // Keys typed while a trigger is being removed are swallowed by design; and
    // the overlay has the keyboard exactly while capture mode is open.
    CaptureRouterController& router = app_->captureRouter();
    if (router.isCaptureTransitionThreadSafe() ||
        router.isCaptureModeActive() != guard_.isOwnEditableWindowKey()) {
        return true;
    }
    // An alert is up but has not taken the keyboard yet.
    const QWidget* modal = QApplication::activeModalWidget();
    return modal && modal != QApplication::activeWindow();
}

void DesktopApplication::quitWhenSettled()
{
    // A capture still open or on its way to its target finishes first.
    auto* poll = new QTimer(QApplication::instance());
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, [this, poll] {
        if (app_->captureRouter().isCaptureModeActive()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        QApplication::quit();
    });
    poll->start();
}

void DesktopApplication::terminate()
{
    keyboard_.reset();
    delegate_->applicationWillTerminate();
}

}  // namespace qm
