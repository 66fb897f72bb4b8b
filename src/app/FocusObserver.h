#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/AppDelegate.h"
#include "app/BrowserDomainCache.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/runtime/AliveToken.h"
#include "platform/workspace/RunningApplication.h"

namespace qm {

class AXObserver;
class Accessibility;
class AccessibilityEnablementManager;
class CaptureRouterController;
class Clock;
class EventTapManager;
class FieldContextDetector;
class FieldMemoryEngine;
class MainLoop;
class OpenLoopStore;
class Workspace;

// Follows which application is in front and which of its elements has the
// keyboard focus. On each focus or caret change it keeps the browser domain
// fresh and decides between typing (a change less than typingWindow seconds
// after the last key: suggestions are asked for near the caret) and pointing
// (the suggestion overlay is hidden and the typed-word context dropped). When
// the focus leaves a field without typing, the field's value goes to field
// memory and its passive trigger buffer is parked, and the field now focused
// gets its own parked buffer back. A menu or completion list that takes the
// focus while the user types leaves everything as it was.
//
// Main thread only. One Accessibility observer at a time, on the application
// last activated, never on this program itself.
class FocusObserver {
public:
    static constexpr double typingWindow = 0.25;

    struct Services {
        MainLoop& mainLoop;
        const Clock& clock;
        Workspace& workspace;
        Accessibility& accessibility;
        CaptureRouterController& captureRouter;
        EventTapManager& eventTapManager;
        const FieldContextDetector& fieldContext;
        FieldMemoryEngine& fieldMemory;
        AccessibilityEnablementManager& accessibilityEnablement;
        OpenLoopStore& openLoops;
    };

    // The suggestion display's two calls. Either may be empty.
    struct SuggestionDisplay {
        std::function<void(const std::optional<std::string>& fullBuffer, bool isManualSummon)>
            updateSuggestionsNearCaret;
        std::function<void()> hideOverlayPanelImmediately;
    };

    // Everything named must outlive the observer.
    explicit FocusObserver(Services services);
    ~FocusObserver();
    FocusObserver(const FocusObserver&) = delete;
    FocusObserver& operator=(const FocusObserver&) = delete;

    void setSuggestionDisplay(SuggestionDisplay display) { display_ = std::move(display); }

    // Fills the delegate's hooks of launch, capture start, activation and
    // stop with this observer's calls. The observer must outlive the delegate.
    void attach(AppDelegate::Hooks& hooks);

    // At launch, before any observer: remembers the application in front and
    // looks up its browser domain afresh.
    void frontmostAtLaunch(const RunningApplication& application);
    // Capture started with `application` in front: its tree is enabled and its
    // focus observed.
    void captureStarted(const RunningApplication& application);
    // The workspace reported another application in front.
    void workspaceAppActivated(const RunningApplication& application);

    void observeApplication(std::int32_t pid);
    void removeCurrentObserver();
    // The focus decision, after the observer heard a focus or selection change.
    void focusedElementChanged();
    // Stores the element's current value in field memory when its field is
    // classified and not a password field.
    void learnFieldValueFromElement(const AXUIElement& element);
    // The stop sequence: no more callbacks, and the field in use is learned.
    void applicationWillTerminate();

    const std::optional<RunningApplication>& activeRunningApp() const { return activeRunningApp_; }
    std::optional<std::int32_t> currentObservedPid() const { return currentObservedPid_; }
    const std::optional<AXUIElement>& lastFocusedElement() const { return lastFocusedElement_; }
    BrowserDomainCache& browserDomain() { return browserDomain_; }

private:
    // The bundle identifier of the application `element` belongs to, if the workspace knows it.
    std::optional<std::string> bundleIdOf(const AXUIElement& element) const;
    void suggestNearCaret();

    Services services_;
    SuggestionDisplay display_;
    std::optional<RunningApplication> activeRunningApp_;
    std::shared_ptr<AXObserver> currentObserver_;
    std::optional<std::int32_t> currentObservedPid_;
    std::optional<AXUIElement> lastFocusedElement_;
    // The last key whose silence the log told of (none yet).
    std::optional<double> hidingToldForKey_;
    BrowserDomainCache browserDomain_;
    AliveToken alive_;
};

}  // namespace qm
