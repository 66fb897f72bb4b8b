#include "app/views/DesktopApplication.h"

#include <unistd.h>

#include <QApplication>
#include <QTimer>

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
#include "shell/views/HUDWindowWidget.h"
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
    countdown_->attach(countdownTitle_);
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
}

DesktopApplication::~DesktopApplication()
{
    keyboard_.reset();
    delegate_.reset();
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
    if (!options_.headless) {
        hooks.makeOnboardingWindow = [this](OnboardingWindow::Callbacks callbacks) {
            auto* window = new MinimalOnboardingWindow(platform_.defaults, platform_.notificationCenter,
                                                       std::move(callbacks));
            return std::make_unique<OnboardingWindowHandle>(window);
        };
    }
    return hooks;
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
    return router.isCaptureTransitionThreadSafe() ||
           router.isCaptureModeActive() != guard_.isOwnEditableWindowKey();
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
