#include "app/SuggestionDisplay.h"

#include <fmt/format.h>

#include "app/HostField.h"
#include "base/Log.h"
#include "capture/CaptureNotifications.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "platform/display/ScreenCoordinates.h"
#include "platform/display/Screens.h"
#include "platform/runtime/MainLoop.h"
#include "platform/workspace/Workspace.h"
#include "shell/PermissionsManager.h"
#include "suggestions/OverlayPanel.h"

namespace qm {

SuggestionDisplay::SuggestionDisplay(Services services, Provider provider, Accept accept)
    : services_(services), provider_(std::move(provider)), accept_(std::move(accept))
{
    NotificationCenter& center = services_.notificationCenter;
    observers_.push_back(center.addObserver(CaptureNotifications::hideSuggestionsOverlay, nullptr,
                                            [this](const Notification&) { handleHideSuggestionsOverlay(); }));
    observers_.push_back(
        center.addObserver(CaptureNotifications::triggerManualSuggestions, nullptr,
                           [this](const Notification&) { handleManualSuggestionsNotification(); }));
    observers_.push_back(center.addObserver(CaptureNotifications::triggerAIQuickActions, nullptr,
                                            [this](const Notification&) { showPanelForAIPrompt(); }));
    observers_.push_back(center.addObserver(CaptureNotifications::cancelAIPrompt, nullptr,
                                            [this](const Notification&) { hideOverlayPanelImmediately(); }));
}

SuggestionDisplay::~SuggestionDisplay()
{
    for (const auto& token : observers_) {
        services_.notificationCenter.removeObserver(token);
    }
}

void SuggestionDisplay::updateSuggestionsNearCaret(const std::optional<std::string>& fullBuffer,
                                                   bool isManualSummon)
{
    mistakeDebounceTimer_.invalidate();
    if (isManualSummon) {
        executeFetchAndDisplay(fullBuffer, true);
        return;
    }
    mistakeDebounceTimer_ = Timer::scheduledTimer(services_.mainLoop, typingPause, false, [this, fullBuffer] {
        executeFetchAndDisplay(fullBuffer, false);
    });
}

void SuggestionDisplay::executeFetchAndDisplay(const std::optional<std::string>& fullBuffer,
                                               bool isManualSummon)
{
    if (!services_.permissions.isAccessibilityTrusted()) {
        return;
    }
    EventTapManager& tap = services_.eventTapManager;
    if (tap.isAIPromptMode()) {
        return;  // the prompt has the panel until it is committed or cancelled
    }
    if (services_.captureRouter.isCaptureModeActive()) {
        hidePanel();
        return;
    }
    const auto element = HostField::focusedElement(services_.accessibility);
    if (!element) {
        hidePanel();
        return;
    }
    if (HostField::isSecureTextField(*element)) {
        hidePanel();
        tap.clearContext(std::nullopt, true);
        return;
    }
    const auto caret = HostField::caretRectangle(*element);
    if (!caret) {
        hideOverlayPanelImmediately();
        return;
    }
    const std::string text = fullBuffer ? *fullBuffer : tap.slidingBuffer();
    std::string bundleId;
    if (auto frontmost = services_.workspace.frontmostApplication();
        frontmost && frontmost->bundleIdentifier) {
        bundleId = std::move(*frontmost->bundleIdentifier);
    }
    Log::log(fmt::format("🔍 PredictiveOverlay: Text buffer is '{}', Caret bounds (x: {:.1f}, y: {:.1f}, "
                         "w: {:.1f}, h: {:.1f})",
                         text, caret->x(), caret->y(), caret->width(), caret->height()));
    if (text.empty()) {
        hideOverlayPanelImmediately();
        return;
    }
    provider_(text, bundleId,
              alive_.guard([this, isManualSummon, caret = *caret](std::vector<SuggestionModel> suggestions) {
                  display(std::move(suggestions), isManualSummon, caret);
              }));
}

void SuggestionDisplay::display(std::vector<SuggestionModel> suggestions, bool isManualSummon, Rect caret)
{
    if (services_.eventTapManager.isAIPromptMode()) {
        return;  // an answer that arrives after the prompt opened must not replace it
    }
    const std::size_t returned = suggestions.size();
    if (!isManualSummon) {
        std::erase_if(suggestions,
                      [](const SuggestionModel& s) { return s.type != SuggestionType::mistake; });
    }
    Log::log(
        fmt::format("🔍 PredictiveOverlay: Suggestions returned from provider: {} items, filtered: {} items",
                    returned, suggestions.size()));
    if (suggestions.empty()) {
        if (overlayHideTimer_.isValid()) {
            return;  // the pending hide stands
        }
        overlayHideTimer_ =
            Timer::scheduledTimer(services_.mainLoop, emptyResultHideDelay, false, [this] { hidePanel(); });
        return;
    }
    overlayHideTimer_.invalidate();
    activeSuggestionsList_ = std::move(suggestions);
    if (activeSuggestionIndex_ >= static_cast<int>(activeSuggestionsList_.size())) {
        activeSuggestionIndex_ = 0;
    }
    services_.panel.setSuggestions(activeSuggestionsList_, activeSuggestionIndex_,
                                   alive_.guard([this](int index) { acceptSuggestionIndex(index); }));
    services_.panel.show(caret);
    services_.eventTapManager.setSuggestionsOverlayVisible(true);
}

void SuggestionDisplay::hidePanel()
{
    services_.panel.hide();
    services_.eventTapManager.setSuggestionsOverlayVisible(false);
}

void SuggestionDisplay::hideOverlayPanelImmediately()
{
    overlayHideTimer_.invalidate();
    hidePanel();
}

void SuggestionDisplay::acceptSuggestionIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(activeSuggestionsList_.size())) {
        return;
    }
    // A copy: the acceptance may show a new list while it runs.
    const SuggestionModel suggestion = activeSuggestionsList_[static_cast<std::size_t>(index)];
    if (accept_) {
        accept_(suggestion);
    }
}

void SuggestionDisplay::handleHideSuggestionsOverlay()
{
    if (services_.mainLoop.isMainThread()) {
        hidePanel();
        return;
    }
    services_.mainLoop.post(alive_.guard([this] { hidePanel(); }));
}

void SuggestionDisplay::handleManualSuggestionsNotification()
{
    mistakeDebounceTimer_.invalidate();
    executeFetchAndDisplay(std::nullopt, true);
}

void SuggestionDisplay::showPanelForAIPrompt()
{
    if (!services_.permissions.isAccessibilityTrusted()) {
        return;
    }
    std::optional<Rect> anchor;
    if (const auto element = HostField::focusedElement(services_.accessibility)) {
        anchor = HostField::caretRectangle(*element);
    }
    if (!anchor) {
        anchor = mainScreenCentre();
    }
    // Nothing scheduled before the prompt may hide it or fill it with suggestions.
    mistakeDebounceTimer_.invalidate();
    overlayHideTimer_.invalidate();
    activeSuggestionsList_.clear();
    activeSuggestionIndex_ = 0;
    services_.panel.setSuggestions({}, 0, [](int) {});
    services_.panel.show(anchor.value_or(Rect()));
    services_.eventTapManager.setSuggestionsOverlayVisible(true);
}

std::optional<Rect> SuggestionDisplay::mainScreenCentre() const
{
    const auto screen = services_.screens.mainScreen();
    if (!screen) {
        return std::nullopt;
    }
    const Rect& visible = screen->visibleFrame;
    const Rect box(visible.x() + visible.width() / 2 - 5, visible.y() + visible.height() / 2 - 10, 10, 20);
    // The panel takes Accessibility coordinates, which count down from the
    // top of the primary screen.
    const auto screens = services_.screens.screens();
    const double primaryHeight = screens.empty() ? screen->frame.height() : screens.front().frame.height();
    return ScreenCoordinates::screenToAccessibility(box, primaryHeight);
}

void SuggestionDisplay::eventTapManagerDidUpdateContext(EventTapManager&, const std::string&,
                                                        const std::string&, const std::string&)
{
}

void SuggestionDisplay::eventTapManagerDidClearSuggestions(EventTapManager&)
{
    hideOverlayPanelImmediately();
}

void SuggestionDisplay::eventTapManagerDidSelectSuggestionIndex(EventTapManager&, int index)
{
    acceptSuggestionIndex(index);
}

void SuggestionDisplay::eventTapManagerDidCycleSuggestion(EventTapManager&)
{
    if (activeSuggestionsList_.empty()) {
        return;
    }
    activeSuggestionIndex_ = (activeSuggestionIndex_ + 1) % static_cast<int>(activeSuggestionsList_.size());
    services_.panel.setSuggestions(activeSuggestionsList_, activeSuggestionIndex_,
                                   alive_.guard([this](int index) { acceptSuggestionIndex(index); }));
}

void SuggestionDisplay::eventTapManagerDidCommitActiveSuggestion(EventTapManager&)
{
    if (!activeSuggestionsList_.empty()) {
        acceptSuggestionIndex(activeSuggestionIndex_);
    }
}

}  // namespace qm
