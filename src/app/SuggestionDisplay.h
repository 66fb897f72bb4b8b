#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "capture/EventTapManagerDelegate.h"
#include "platform/display/Rect.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/Timer.h"
#include "suggestions/SuggestionModel.h"

namespace qm {

class Accessibility;
class CaptureRouterController;
class EventTapManager;
class MainLoop;
class OverlayPanel;
class PermissionsManager;
class Screens;
class Workspace;

// When the suggestion panel shows beside the caret of the application the user
// types in, and what it shows: after a 1.5 s typing pause only mistake
// warnings, on Control+Space ("TriggerManualSuggestions") everything the
// provider finds; an empty answer hides the panel 0.18 s later unless a
// non-empty one comes first. It is the event tap's delegate (Tab cycles,
// Return and the digit shortcuts accept, Esc hides), hides the panel when a
// trigger is typed ("HideSuggestionsOverlay"), and opens and closes it for
// the AI prompt ("TriggerAIQuickActions", "CancelAIPrompt").
//
// Main thread only, except that "HideSuggestionsOverlay" may come from any
// thread. The tap sees the panel's visibility through
// EventTapManager::isSuggestionsOverlayVisible, which every show and hide here
// keeps in step.
class SuggestionDisplay final : public EventTapManagerDelegate {
public:
    using Completion = std::function<void(std::vector<SuggestionModel>)>;
    // Asks for the suggestions for the typed text in an application; the
    // completion runs once, on the main thread, with the list sorted.
    using Provider =
        std::function<void(const std::string& text, const std::string& appBundleId, Completion completion)>;
    // Writes a chosen suggestion into the focused field.
    using Accept = std::function<void(const SuggestionModel& suggestion)>;

    struct Services {
        MainLoop& mainLoop;
        NotificationCenter& notificationCenter;
        Accessibility& accessibility;
        PermissionsManager& permissions;
        Workspace& workspace;
        const Screens& screens;
        EventTapManager& eventTapManager;
        CaptureRouterController& captureRouter;
        OverlayPanel& panel;
    };

    static constexpr double typingPause = 1.5;
    static constexpr double emptyResultHideDelay = 0.18;

    // Starts observing the four notifications.
    SuggestionDisplay(Services services, Provider provider, Accept accept);
    ~SuggestionDisplay() override;
    SuggestionDisplay(const SuggestionDisplay&) = delete;
    SuggestionDisplay& operator=(const SuggestionDisplay&) = delete;

    // A caret or focus change while typing: fetches after the typing pause
    // (each call restarts it), or at once for a summon.
    void updateSuggestionsNearCaret(const std::optional<std::string>& fullBuffer, bool isManualSummon);
    void executeFetchAndDisplay(const std::optional<std::string>& fullBuffer, bool isManualSummon);
    // Hides the panel now and drops a pending delayed hide.
    void hideOverlayPanelImmediately();
    // Hands suggestion `index` of the list shown to the acceptance; an index
    // the list no longer has does nothing.
    void acceptSuggestionIndex(int index);

    void handleHideSuggestionsOverlay();
    void handleManualSuggestionsNotification();
    // Opens the panel empty at the caret for the AI prompt.
    void showPanelForAIPrompt();

    // EventTapManagerDelegate.
    void eventTapManagerDidUpdateContext(EventTapManager& manager, const std::string& context,
                                         const std::string& prefix, const std::string& fullBuffer) override;
    void eventTapManagerDidClearSuggestions(EventTapManager& manager) override;
    void eventTapManagerDidSelectSuggestionIndex(EventTapManager& manager, int index) override;
    void eventTapManagerDidCycleSuggestion(EventTapManager& manager) override;
    void eventTapManagerDidCommitActiveSuggestion(EventTapManager& manager) override;

    const std::vector<SuggestionModel>& activeSuggestionsList() const { return activeSuggestionsList_; }
    int activeSuggestionIndex() const { return activeSuggestionIndex_; }
    bool isHidePending() const { return overlayHideTimer_.isValid(); }
    bool isFetchPending() const { return mistakeDebounceTimer_.isValid(); }

private:
    void hidePanel();
    void display(std::vector<SuggestionModel> suggestions, bool isManualSummon, Rect caret);
    // Where the AI prompt opens when the focused field gives no caret.
    std::optional<Rect> mainScreenCentre() const;

    Services services_;
    Provider provider_;
    Accept accept_;
    std::vector<SuggestionModel> activeSuggestionsList_;
    int activeSuggestionIndex_ = 0;
    Timer mistakeDebounceTimer_;
    Timer overlayHideTimer_;
    std::vector<NotificationCenter::ObserverToken> observers_;
    AliveToken alive_;
};

}  // namespace qm
