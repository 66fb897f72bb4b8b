#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "app/AssistantServices.h"
#include "app/CaptureRecords.h"
#include "app/PlatformBundle.h"
#include "app/StandardCaptureTargets.h"
#include "capture/CaptureRouterModeServices.h"
#include "capture/CaptureTargetRegistry.h"
#include "platform/runtime/CancellationToken.h"
#include "records/CaptureLanding.h"

namespace qm {

class AccessibilityEnablementManager;
class AppUpdateChecker;
class CaptureHistoryStore;
class CaptureOverlayPanel;
class CaptureRouterController;
class ColorPickerHelper;
class ConcurrentQueue;
class DatabaseManager;
class EventTapManager;
class FallbackCaptureLogger;
class FieldContextDetector;
class FieldMemoryEngine;
class FocusObserver;
class KeychainBridge;
class KeychainHelper;
class NotificationScheduler;
class PermissionsManager;
class PrivacyFirewall;
class SecretStore;
class OverlayPanel;
class SuggestionProvider;
class SuggestionServices;
class TimerCompletionFallback;

// The composition root: the one place that builds the program's services, each
// once, from a platform bundle, and hands each the others it needs through its
// constructor; nothing reaches a service any other way. main(), the test rigs
// and the benchmarks all build their object graph here.
//
// Start-up order: the legacy secrets move first, since nothing may read a
// secret before it is in place; then the rules database, the background queue,
// the privacy firewall, the permissions, field context, field memory and the
// colour picker, the saved-credential bridge (where the platform has a
// keychain), the assistant (when asked for) and the suggestion provider, the
// capture history, the recovery log and the capture records, the targets, the
// capture router and the event tap manager (not started), the focus observer
// (observing nothing until the app starts capture), the inline suggestions over
// their panel, and the update checker last. Build and destroy it on the main
// thread. Destruction stops the update checker's transfers, takes down the
// inline suggestions, the focus observer, the tap manager, the router, the
// suggestion services and the firewall, finishes the background queue's work
// while what it touches still exists, then the rest in the reverse order.
class AppComposition {
public:
    // The seams the app fills in above the services (the HUD, the overlay
    // window) and the choices a test or benchmark makes.
    struct Options {
        // Shows a message on the HUD at once. Required.
        CaptureLanding::ShowHUD showHUD;
        // Makes the capture overlay over the router, on the first capture.
        // Empty: capture mode keeps its state and shows nothing.
        std::function<std::shared_ptr<CaptureOverlayPanel>(CaptureRouterController&)> makeOverlayPanel;
        // The table of capture targets. Empty: StandardCaptureTargets.
        std::function<CaptureTargetRegistry(const StandardCaptureTargets::Services&)> makeTargets;
        // Threads of the background queue "com.quillmarker.app.background"; 0: the machine's.
        unsigned backgroundThreads = 0;
        // Checked before a //timer or //alarm send. Empty: the notification scheduler's check.
        CaptureRouterModeServices::NotificationAuthorizationCheck ensureNotificationAuthorization;
        // Checked before a //calendar send. Empty: the permissions manager asks.
        CaptureRouterModeServices::CalendarAccessCheck requestCalendarAccess;
        // True while one of the program's own editable windows is key. Empty: never.
        std::function<bool()> isOwnEditableWindowKey;
        // Builds the AI engine, knowledge graph, tool server and note index
        // too. The program does; tests of the capture road leave them out.
        bool withAssistant = false;
        // The tool server's port (0: the system picks one, as tests do).
        std::uint16_t mcpPort = 9987;
        // Ends the program by its normal stop path, once an update was opened.
        // Empty: the program keeps running.
        std::function<void()> terminateApplication;
        // Makes the panel of inline suggestions, once, over the composition
        // built so far (the assistant answers its AI prompt). Empty: no inline
        // suggestions (nothing shows them, inserts them or the AI answer).
        std::function<std::shared_ptr<OverlayPanel>(AppComposition&)> makeSuggestionPanel;
        // Runs after an accepted suggestion was counted (the status menu
        // shows the figures). Empty: nothing is told.
        std::function<void()> suggestionCountersChanged;
    };

    // `platform` and everything it names must outlive the composition.
    AppComposition(PlatformBundle platform, Options options);
    ~AppComposition();
    AppComposition(const AppComposition&) = delete;
    AppComposition& operator=(const AppComposition&) = delete;

    const PlatformBundle& platform() const { return platform_; }

    KeychainHelper& secrets() { return *secrets_; }
    // The same files, as the services that keep a secret take them.
    SecretStore& secretStore() { return *secretStore_; }
    DatabaseManager& database() { return *database_; }
    PrivacyFirewall& privacyFirewall() { return *privacyFirewall_; }
    PermissionsManager& permissions() { return *permissions_; }
    AccessibilityEnablementManager& accessibilityEnablement() { return *accessibilityEnablement_; }
    FieldContextDetector& fieldContextDetector() { return *fieldContextDetector_; }
    FieldMemoryEngine& fieldMemory() { return *fieldMemory_; }
    ColorPickerHelper& colorPicker() { return *colorPicker_; }
    // Without the assistant it offers learned field values alone.
    SuggestionProvider& suggestionProvider() { return *suggestionProvider_; }
    // Null where the platform keeps no keychain of saved passwords (Linux).
    KeychainBridge* keychainBridge() { return keychainBridge_.get(); }
    CaptureHistoryStore& history() { return *history_; }
    FallbackCaptureLogger& recoveryLog() { return *recoveryLog_; }
    CaptureRecords& records() { return *records_; }
    TimerCompletionFallback& timerFallback() { return *timerFallback_; }
    NotificationScheduler& notificationScheduler() { return *notificationScheduler_; }
    const CaptureTargetRegistry& targets() const { return *targets_; }
    ConcurrentQueue& backgroundQueue() { return *backgroundQueue_; }
    CaptureRouterController& captureRouter() { return *captureRouter_; }
    EventTapManager& eventTapManager() { return *eventTapManager_; }
    FocusObserver& focusObserver() { return *focusObserver_; }
    AppUpdateChecker& updateChecker() { return *updateChecker_; }

    // What the capture router is built with; a test may build another router on it.
    CaptureRouterModeServices captureModeServices();

    // Null unless composed withAssistant.
    AssistantServices* assistant() { return assistant_.get(); }
    // The inline suggestions over their panel, which also hear focus
    // observation; null unless a panel was made (makeSuggestionPanel).
    SuggestionServices* suggestions() { return suggestions_.get(); }

private:
    PlatformBundle platform_;
    Options options_;
    // In start-up order.
    std::unique_ptr<KeychainHelper> secrets_;
    std::unique_ptr<SecretStore> secretStore_;
    std::unique_ptr<DatabaseManager> database_;
    std::unique_ptr<ConcurrentQueue> backgroundQueue_;
    std::unique_ptr<PrivacyFirewall> privacyFirewall_;
    std::unique_ptr<PermissionsManager> permissions_;
    std::unique_ptr<AccessibilityEnablementManager> accessibilityEnablement_;
    std::unique_ptr<FieldContextDetector> fieldContextDetector_;
    std::unique_ptr<FieldMemoryEngine> fieldMemory_;
    std::unique_ptr<ColorPickerHelper> colorPicker_;
    std::unique_ptr<KeychainBridge> keychainBridge_;
    std::unique_ptr<AssistantServices> assistant_;
    std::unique_ptr<SuggestionProvider> suggestionProvider_;
    std::unique_ptr<CaptureHistoryStore> history_;
    std::unique_ptr<FallbackCaptureLogger> recoveryLog_;
    std::unique_ptr<CaptureRecords> records_;
    // Cancelled first when the composition goes: sends waiting for the main loop give up.
    CancellationToken shutdown_;
    std::unique_ptr<TimerCompletionFallback> timerFallback_;
    std::unique_ptr<NotificationScheduler> notificationScheduler_;
    std::unique_ptr<CaptureTargetRegistry> targets_;
    std::unique_ptr<CaptureRouterController> captureRouter_;
    std::unique_ptr<EventTapManager> eventTapManager_;
    std::unique_ptr<FocusObserver> focusObserver_;
    std::shared_ptr<OverlayPanel> suggestionPanel_;
    std::unique_ptr<SuggestionServices> suggestions_;
    std::unique_ptr<AppUpdateChecker> updateChecker_;
};

}  // namespace qm
