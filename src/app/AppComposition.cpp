#include "app/AppComposition.h"

#include "app/FocusObserver.h"
#include "app/SuggestionServices.h"

#include <stdexcept>
#include <utility>

#include "base/SecureRandom.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/workspace/Workspace.h"
#include "records/CaptureHistoryStore.h"
#include "records/FallbackCaptureLogger.h"
#include "shell/AccessibilityEnablementManager.h"
#include "shell/AppUpdateChecker.h"
#include "shell/PermissionsManager.h"
#include "store/DatabaseManager.h"
#include "store/KeychainHelper.h"
#include "store/KeychainSecretStore.h"
#include "store/PrivacyFirewall.h"
#include "suggestions/ColorPickerHelper.h"
#include "suggestions/FieldContextDetector.h"
#include "suggestions/FieldMemoryEngine.h"
#include "suggestions/KeychainBridge.h"
#include "suggestions/SuggestionProvider.h"
#include "targets/NotificationScheduler.h"
#include "targets/TimerCompletionFallback.h"

namespace qm {

namespace {

constexpr const char* kBackgroundQueueLabel = "com.quillmarker.app.background";

}  // namespace

AppComposition::AppComposition(PlatformBundle platform, Options options)
    : platform_(std::move(platform)), options_(std::move(options))
{
    if (!options_.showHUD) {
        throw std::invalid_argument("AppComposition: no HUD to show messages on");
    }
    const PlatformBundle& p = platform_;

    // The legacy move first: nothing may read a secret before it is in place.
    secrets_ = std::make_unique<KeychainHelper>(p.legacyKeychain, p.applicationSupport);
    secrets_->purgeLegacyKeychainItemsIfNeeded();
    secretStore_ = std::make_unique<KeychainSecretStore>(*secrets_);
    database_ = std::make_unique<DatabaseManager>(p.clock, p.applicationSupport, p.defaults);

    backgroundQueue_ = std::make_unique<ConcurrentQueue>(kBackgroundQueueLabel, options_.backgroundThreads);
    privacyFirewall_ = std::make_unique<PrivacyFirewall>(
        *database_, p.clock,
        [queue = backgroundQueue_.get()](std::function<void()> task) { queue->async(std::move(task)); });
    permissions_ = std::make_unique<PermissionsManager>(p.accessibilityTrust, p.workspace,
                                                        p.userNotificationCenter, p.eventStores);
    accessibilityEnablement_ = std::make_unique<AccessibilityEnablementManager>(p.mainLoop, p.accessibility);

    fieldContextDetector_ = std::make_unique<FieldContextDetector>(p.accessibility, p.workspace);
    fieldMemory_ =
        std::make_unique<FieldMemoryEngine>(*database_, *secretStore_, p.defaults, *privacyFirewall_);
    colorPicker_ = std::make_unique<ColorPickerHelper>(p.colorPanel, *database_, *fieldMemory_);
    if (p.legacyKeychain) {
        keychainBridge_ =
            std::make_unique<KeychainBridge>(*p.legacyKeychain, p.mainLoop, SecureRandom::bytes);
    }

    if (options_.withAssistant) {
        assistant_ = std::make_unique<AssistantServices>(AssistantServices::Dependencies{
            .platform = platform_,
            .database = *database_,
            .secrets = *secrets_,
            .fieldContext = *fieldContextDetector_,
            .fieldMemory = *fieldMemory_,
            .mcpPort = options_.mcpPort,
        });
    }
    suggestionProvider_ = std::make_unique<SuggestionProvider>(SuggestionProvider::Services{
        .mainLoop = p.mainLoop,
        .fieldContext = *fieldContextDetector_,
        .knowledge = assistant_ ? &assistant_->suggestionSources() : nullptr,
    });

    history_ = std::make_unique<CaptureHistoryStore>(*database_, p.mainLoop, p.notificationCenter, p.clock);
    recoveryLog_ = std::make_unique<FallbackCaptureLogger>(p.clock, p.mainLoop, p.notificationCenter,
                                                           p.applicationSupport);
    // The records ask the router, which comes later and goes first.
    records_ = std::make_unique<CaptureRecords>(
        p, CaptureRecords::Hooks{
               .showHUD = options_.showHUD,
               .isCaptureModeActive =
                   [this] { return captureRouter_ && captureRouter_->isCaptureModeActiveThreadSafe(); },
               .hostCaptureContext =
                   [this] {
                       return captureRouter_ ? captureRouter_->hostCaptureContext() : HostCaptureContext{};
                   },
           });

    timerFallback_ = std::make_unique<TimerCompletionFallback>(p.mainLoop, p.clock, p.notificationCenter,
                                                               options_.showHUD);
    notificationScheduler_ = std::make_unique<NotificationScheduler>(
        p.userNotificationCenter, p.mainLoop, p.clock, p.notificationCenter, *timerFallback_,
        [workspace = &p.workspace.get()] {
            workspace->activate(workspace->currentApplication().processIdentifier);
        });

    const StandardCaptureTargets::Services targetServices{
        .clock = p.clock,
        .mainLoop = p.mainLoop,
        .scheduler = *notificationScheduler_,
        .eventStores = p.eventStores,
        .requestCalendarAccess =
            [permissions = permissions_.get()](std::function<void(bool)> answer) {
                permissions->requestCalendarAccess(std::move(answer));
            },
        .shutdown = shutdown_,
        .defaults = p.defaults,
        .pasteboard = p.pasteboard,
        .http = p.http,
        .loadSecret = [secrets =
                           secrets_.get()](std::string_view service,
                                           std::string_view key) { return secrets->load(service, key); },
        .landing = records_->landing(),
    };
    targets_ = std::make_unique<CaptureTargetRegistry>(options_.makeTargets
                                                           ? options_.makeTargets(targetServices)
                                                           : StandardCaptureTargets::make(targetServices));

    captureRouter_ = std::make_unique<CaptureRouterController>(
        p.mainLoop, p.clock, p.workspace, p.accessibility, p.syntheticEvents, p.notificationCenter,
        p.defaults, *targets_, captureModeServices());
    eventTapManager_ = std::make_unique<EventTapManager>(EventTapManager::Services{
        .tapFactory = p.eventTaps,
        .eventPoster = p.syntheticEvents,
        .secureInput = p.secureInput,
        .workspace = p.workspace,
        .mainLoop = p.mainLoop,
        .clock = p.clock,
        .defaults = p.defaults,
        .notificationCenter = p.notificationCenter,
        .captureRouter = *captureRouter_,
        .privacyFirewall = *privacyFirewall_,
        .permissions = *permissions_,
        .alerts = p.alerts,
        .isOwnEditableWindowKey = options_.isOwnEditableWindowKey,
    });
    focusObserver_ = std::make_unique<FocusObserver>(FocusObserver::Services{
        .mainLoop = p.mainLoop,
        .clock = p.clock,
        .workspace = p.workspace,
        .accessibility = p.accessibility,
        .captureRouter = *captureRouter_,
        .eventTapManager = *eventTapManager_,
        .fieldContext = *fieldContextDetector_,
        .fieldMemory = *fieldMemory_,
        .accessibilityEnablement = *accessibilityEnablement_,
        .openLoops = records_->openLoops(),
    });
    if (options_.makeSuggestionPanel) {
        suggestionPanel_ = options_.makeSuggestionPanel(*this);
    }
    if (suggestionPanel_) {
        suggestions_ = std::make_unique<SuggestionServices>(
            p,
            SuggestionServices::Services{
                .permissions = *permissions_,
                .eventTapManager = *eventTapManager_,
                .captureRouter = *captureRouter_,
                .panel = *suggestionPanel_,
            },
            [provider = suggestionProvider_.get()](const std::string& text, const std::string& appBundleId,
                                                   SuggestionDisplay::Completion done) {
                provider->updateSuggestions(
                    text, appBundleId,
                    [done = std::move(done)](const std::vector<SuggestionModel>& found) { done(found); });
            },
            options_.suggestionCountersChanged);
        SuggestionDisplay& display = suggestions_->display();
        focusObserver_->setSuggestionDisplay({
            .updateSuggestionsNearCaret =
                [&display](const std::optional<std::string>& fullBuffer, bool isManualSummon) {
                    display.updateSuggestionsNearCaret(fullBuffer, isManualSummon);
                },
            .hideOverlayPanelImmediately = [&display] { display.hideOverlayPanelImmediately(); },
        });
    }

    updateChecker_ = std::make_unique<AppUpdateChecker>(AppUpdateChecker::Services{
        .mainLoop = p.mainLoop,
        .clock = p.clock,
        .defaults = p.defaults,
        .notificationCenter = p.notificationCenter,
        .userNotificationCenter = p.userNotificationCenter,
        .alerts = p.alerts,
        .workspace = p.workspace,
        .http = p.http,
        .downloads = p.httpStreams,
        .queue = *backgroundQueue_,
        .terminateApplication = options_.terminateApplication,
    });
}

AppComposition::~AppComposition()
{
    shutdown_.cancel();
    // Its transfers stop before the queue they wait on goes.
    updateChecker_.reset();
    if (suggestions_) {
        // Nothing reaches the display once it is gone.
        focusObserver_->setSuggestionDisplay({});
        eventTapManager_->setDelegate(nullptr);
        suggestions_.reset();
    }
    suggestionPanel_.reset();
    focusObserver_.reset();
    eventTapManager_.reset();
    captureRouter_.reset();
    // What asks the firewall goes before it, and the firewall before the queue its refreshes use.
    suggestionProvider_.reset();
    assistant_.reset();
    keychainBridge_.reset();
    colorPicker_.reset();
    fieldMemory_.reset();
    fieldContextDetector_.reset();
    accessibilityEnablement_.reset();
    privacyFirewall_.reset();
    // Picker loads, sends and history records finish here, while the targets,
    // the records, the history and the database they touch still exist.
    backgroundQueue_.reset();
}

CaptureRouterModeServices AppComposition::captureModeServices()
{
    CaptureRouterModeServices::CalendarAccessCheck calendarAccess = options_.requestCalendarAccess;
    if (!calendarAccess) {
        calendarAccess = [permissions = permissions_.get()](std::function<void(bool)> answer) {
            permissions->requestCalendarAccess(std::move(answer));
        };
    }
    CaptureRouterModeServices::NotificationAuthorizationCheck notificationAuthorization =
        options_.ensureNotificationAuthorization;
    if (!notificationAuthorization) {
        notificationAuthorization =
            [scheduler = notificationScheduler_.get()](std::function<void(std::exception_ptr)> answer) {
                scheduler->ensureAuthorization(std::move(answer));
            };
    }
    CaptureRouterModeServices::OverlayPanelFactory makeOverlayPanel;
    if (options_.makeOverlayPanel) {
        makeOverlayPanel = [this] { return options_.makeOverlayPanel(*captureRouter_); };
    }
    return CaptureRouterModeServices{
        .screens = platform_.screens,
        .mouse = platform_.mouse,
        .backgroundQueue = *backgroundQueue_,
        .history = *history_,
        .recoveryLog = *recoveryLog_,
        .requestCalendarAccess = std::move(calendarAccess),
        .ensureNotificationAuthorization = std::move(notificationAuthorization),
        .makeOverlayPanel = std::move(makeOverlayPanel),
    };
}

}  // namespace qm
