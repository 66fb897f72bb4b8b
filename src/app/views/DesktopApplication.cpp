#include "app/views/DesktopApplication.h"

#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "app/FocusObserver.h"
#include "app/SuggestionServices.h"
#include "app/views/OnboardingWindowHandle.h"
#include "app/views/QtStatusItem.h"
#include "app/views/StdinKeyboard.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "capture/views/CaptureOverlayPanelWidget.h"
#include "knowledge/MCPServer.h"
#include "knowledge/SecondBrainIndexer.h"
#include "platform/runtime/Clock.h"
#include "settings/views/SettingsWindowController.h"
#include "shell/AppUpdateChecker.h"
#include "shell/CaptureFailurePresenter.h"
#include "shell/HUDRequestHandler.h"
#include "shell/NotificationDelegate.h"
#include "shell/views/HUDWindowWidget.h"
#include "suggestions/sim/SimOverlayPanel.h"
#include "suggestions/views/OverlayPanelWidget.h"
#include "targets/ActiveCountdownController.h"
#include "targets/NotificationScheduler.h"

namespace qm {

namespace {

// Without a display nobody can answer a dialog: whoever typed a //calendar or
// //reminders line on standard input asked for it.
VdirEventStoreBackend::AccessPrompt eventStoreAccessPrompt(bool headless)
{
    if (!headless) {
        return {};  // the platform's alert
    }
    return [](EventStoreEntityType, std::function<void(bool)> answer) {
        Log::print("🔓 Quillmarker: headless run: access to calendars and reminders granted");
        answer(true);
    };
}

}  // namespace

DesktopApplication::DesktopApplication(Options options)
    : options_(std::move(options)),
      platform_(Clock::system(), options_.defaultsFile,
                options_.applicationSupport / paths::kBundleIdentifier / "notification-schedule.json",
                eventStoreAccessPrompt(options_.headless)),
      guard_(platform_.loop, platform_.notificationCenter, windows_),
      hud_(platform_.loop, platform_.screens, std::make_unique<HUDWindowWidget>(platform_.loop))
{
    // The stand-in desktop is this program's own: there is no one else to
    // grant Accessibility to it.
    platform_.desktop.trust().setTrusted(true);
    app_ =
        std::make_unique<AppComposition>(platform_.bundle(options_.applicationSupport), compositionOptions());
    countdown_ = std::make_unique<ActiveCountdownController>(
        platform_.loop, platform_.clock, platform_.notificationCenter, app_->notificationScheduler());
    host_ = std::make_unique<HostWindow>(platform_.desktop, options_.hostWindow);
    host_->setGeometry(120, 160, 520, 120);
    statusMenu_ = std::make_unique<StatusMenuController>(
        StatusMenuController::Services{
            .clock = platform_.clock,
            .defaults = platform_.defaults,
            .notificationCenter = platform_.notificationCenter,
            .permissions = app_->permissions(),
            .history = app_->history(),
            .openLoops = app_->records().openLoops(),
            .shortVersion = QM_VERSION,
        },
        statusMenuHooks());
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
            .scheduler = app_->notificationScheduler(),
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
    notificationDelegate_.reset();
    statusMenu_.reset();
    host_.reset();
    countdown_.reset();
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
    options.makeSuggestionPanel = [this](AppComposition& app) -> std::shared_ptr<OverlayPanel> {
        if (options_.headless) {
            return std::make_shared<SimOverlayPanel>();  // nobody could see it
        }
        return std::make_shared<OverlayPanelWidget>(
            platform_.loop, platform_.notificationCenter, platform_.defaults, platform_.screens,
            platform_.desktop.workspace(), AIPromptServices::from(app.assistant()->aiEngine()));
    };
    options.suggestionCountersChanged = [this] {
        if (delegate_) {
            delegate_->rebuildStatusMenu();
        }
    };
    // After an update was opened: the same way out as a quit.
    options.terminateApplication = [] { QApplication::quit(); };
    return options;
}

AppDelegate::Hooks DesktopApplication::delegateHooks()
{
    AppDelegate::Hooks hooks;
    hooks.startKeyboardGuardSelfHealing = [this] { guard_.startSelfHealing(); };
    hooks.configureNotificationCategories = [this] { app_->notificationScheduler().configureCategories(); };
    hooks.startCountdown = [this] { countdown_->start(); };
    hooks.startMCPServer = [this] { app_->assistant()->mcpServer().start(); };
    hooks.triggerReindex = [this] { app_->assistant()->indexer().triggerAsyncReindex(); };
    hooks.showHUD = [this](const std::string& message, const std::optional<std::string>& image) {
        hud_.show(message, image);
    };
    hooks.installNotificationDelegate = [this] {
        // The centre holds its delegate weakly: the program keeps it.
        notificationDelegate_ = std::make_shared<NotificationDelegate>(
            platform_.loop, [this] { app_->updateChecker().restartToUpdate(); });
        platform_.userNotifications.setDelegate(notificationDelegate_);
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
    app_->focusObserver().attach(hooks);
    if (auto* suggestions = app_->suggestions()) {
        hooks.tapDelegate = &suggestions->display();
    }
    hooks.setActivationPolicy = [this](bool regular) {
        return platform_.activationPolicy.setActivationPolicy(regular ? ActivationPolicy::Policy::regular
                                                                      : ActivationPolicy::Policy::accessory);
    };
    // Headless, nobody could see or install an update (and scripted runs
    // stay off the network).
    if (!options_.headless) {
        hooks.checkForUpdatesIfNeeded = [this] { app_->updateChecker().checkForUpdatesIfNeeded(); };
    }
    hooks.makeStatusItem = [this] {
        auto item = std::make_unique<QtStatusItem>(*statusMenu_, *host_);
        countdown_->attach(item->countdownSink());
        return item;
    };
    if (!options_.headless) {
        hooks.makeOnboardingWindow = [this](OnboardingWindow::Callbacks callbacks) {
            auto* window = new OnboardingWindowWidget(
                OnboardingViewModel::Services{
                    .mainLoop = platform_.loop,
                    .clock = platform_.clock,
                    .defaults = platform_.defaults,
                    .notificationCenter = platform_.notificationCenter,
                    .permissions = app_->permissions(),
                    .calendar = std::nullopt,
                },
                platform_.notificationCenter, &guard_,
                OnboardingWindowWidget::Callbacks{.completed = std::move(callbacks.completed),
                                                  .closed = std::move(callbacks.closed)});
            return std::make_unique<OnboardingWindowHandle>(window);
        };
    }
    return hooks;
}

StatusMenuController::Hooks DesktopApplication::statusMenuHooks()
{
    StatusMenuController::Hooks hooks;
    hooks.openSettingsWindow = [this] { openSettings(); };
    hooks.checkForUpdatesManually = [this] { app_->updateChecker().checkForUpdatesManually(); };
    hooks.restartToUpdate = [this] { app_->updateChecker().restartToUpdate(); };
    hooks.pendingUpdateVersion = [this] { return app_->updateChecker().pendingUpdateVersion(); };
    // The event loop ends; main() then runs the stop sequence.
    hooks.terminate = [] { QApplication::quit(); };
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
    if (options_.headless || options_.typeStandardInput) {
        Log::print(
            "⌨️ Quillmarker: typing standard input into the window with the keyboard (a line feed is "
            "Return, a tab is Tab)");
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
    if (router.isCaptureTransitionThreadSafe()) {
        return true;
    }
    // An alert is up but has not taken the keyboard yet.
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != QApplication::activeWindow()) {
        return true;
    }
    // Capture starts after onboarding: until then its window has the keyboard.
    if (delegate_->hasOnboardingWindow()) {
        return false;
    }
    return router.isCaptureModeActive() != guard_.isOwnEditableWindowKey();
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
