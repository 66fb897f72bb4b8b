#include "app/FocusObserver.h"

#include <utility>

#include <fmt/format.h>

#include "base/Log.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXNotification.h"
#include "platform/accessibility/AXObserver.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/workspace/Workspace.h"
#include "records/OpenLoopStore.h"
#include "shell/AccessibilityEnablementManager.h"
#include "suggestions/FieldContextDetector.h"
#include "suggestions/FieldMemoryEngine.h"

namespace qm {

FocusObserver::FocusObserver(Services services)
    : services_(services), browserDomain_(services.mainLoop, services.clock, services.accessibility,
                                          [this]() -> std::optional<std::int32_t> {
                                              if (!activeRunningApp_) {
                                                  return std::nullopt;
                                              }
                                              return activeRunningApp_->processIdentifier;
                                          })
{
}

FocusObserver::~FocusObserver()
{
    removeCurrentObserver();
}

void FocusObserver::attach(AppDelegate::Hooks& hooks)
{
    hooks.frontmostAtLaunch = [this](const RunningApplication& application) {
        frontmostAtLaunch(application);
    };
    hooks.applicationActivated = [this](const RunningApplication& application) {
        captureStarted(application);
    };
    hooks.workspaceAppActivated = [this](const RunningApplication& application) {
        workspaceAppActivated(application);
    };
    hooks.stopFocusObservation = [this] { applicationWillTerminate(); };
}

void FocusObserver::frontmostAtLaunch(const RunningApplication& application)
{
    activeRunningApp_ = application;
    browserDomain_.clear();
    browserDomain_.updateBrowserDomainCacheAsync(application);
}

void FocusObserver::captureStarted(const RunningApplication& application)
{
    services_.accessibilityEnablement.onAppActivated(application);
    observeApplication(application.processIdentifier);
}

void FocusObserver::workspaceAppActivated(const RunningApplication& application)
{
    std::optional<std::string> previousBundleId;
    if (activeRunningApp_) {
        previousBundleId = activeRunningApp_->bundleIdentifier;
    }
    const std::optional<AXUIElement> previousElement = lastFocusedElement_;
    if (lastFocusedElement_) {
        learnFieldValueFromElement(*lastFocusedElement_);
        lastFocusedElement_.reset();
    }
    activeRunningApp_ = application;
    browserDomain_.clear();
    browserDomain_.updateBrowserDomainCacheAsync(application);
    services_.captureRouter.suspendPassiveBufferForAppSwitch(previousBundleId, previousElement);
    services_.accessibilityEnablement.onAppActivated(application);
    services_.openLoops.noteAppActivated(application);
    observeApplication(application.processIdentifier);
}

void FocusObserver::observeApplication(std::int32_t pid)
{
    removeCurrentObserver();
    if (pid == services_.workspace.currentApplication().processIdentifier) {
        return;
    }
    // The callback does no work of its own: each change is decided on the
    // main loop after what is already queued there, so changes stay in order.
    auto callback = [&mainLoop = services_.mainLoop, watch = alive_.watch(), this](const AXUIElement&,
                                                                                   std::string_view) {
        mainLoop.post([watch, this] {
            if (watch) {
                focusedElementChanged();
            }
        });
    };
    std::shared_ptr<AXObserver> observer;
    if (services_.accessibility.createObserver(pid, std::move(callback), observer) != AXError::success ||
        !observer) {
        return;
    }
    const AXUIElement application = services_.accessibility.applicationElement(pid);
    (void)observer->addNotification(application, AXNotification::focusedUIElementChanged);
    (void)observer->addNotification(application, AXNotification::selectedTextChanged);
    observer->addToMainLoop();
    currentObserver_ = std::move(observer);
    currentObservedPid_ = pid;
}

void FocusObserver::removeCurrentObserver()
{
    if (!currentObserver_ || !currentObservedPid_) {
        return;
    }
    currentObserver_->removeFromMainLoop();
    currentObserver_.reset();
    currentObservedPid_.reset();
}

void FocusObserver::focusedElementChanged()
{
    std::string bundleId;
    if (activeRunningApp_) {
        browserDomain_.updateBrowserDomainCacheAsync(*activeRunningApp_);
        bundleId = activeRunningApp_->bundleIdentifier.value_or("");
    }

    std::optional<AXUIElement> focused;
    AXValue value;
    if (services_.accessibility.systemWideElement().copyAttributeValue(AXAttribute::focusedUIElement,
                                                                       value) == AXError::success) {
        if (auto element = value.asElement(); element && !element->isNull()) {
            focused = std::move(*element);
        }
    }

    const double lastKey = services_.eventTapManager.lastKeyPressTime();
    const double sinceLastKey = services_.clock.now() - lastKey;
    const bool typing = sinceLastKey < typingWindow;

    if (!focused) {
        if (lastFocusedElement_) {
            learnFieldValueFromElement(*lastFocusedElement_);
        }
        lastFocusedElement_.reset();
    } else {
        CaptureRouterController& router = services_.captureRouter;
        const auto fingerprint = CaptureRouterController::focusFingerprint(bundleId, *focused);
        if (typing && CaptureRouterController::isTransientFocusRole(fingerprint.role)) {
            suggestNearCaret();
            return;
        }
        router.noteTypingFocus(bundleId, *focused);
        if (!lastFocusedElement_) {
            router.restorePassiveBufferIfMatching(bundleId, *focused);
        } else if (CaptureRouterController::focusFingerprint(bundleId, *lastFocusedElement_) != fingerprint &&
                   !typing) {
            learnFieldValueFromElement(*lastFocusedElement_);
            router.suspendPassiveBuffer(bundleId, *lastFocusedElement_);
            // A field clicked back into continues the trigger typed there before.
            router.restorePassiveBufferIfMatching(bundleId, *focused);
        }
        lastFocusedElement_ = std::move(focused);
    }

    if (typing) {
        suggestNearCaret();
        return;
    }
    // Told once per last key: caret and focus ticks while nobody types repeat
    // the same state. Before the first key there is no time to tell.
    if (hidingToldForKey_ != lastKey) {
        hidingToldForKey_ = lastKey;
        Log::log(lastKey == EventTapManager::distantPast
                     ? std::string("🔍 PredictiveOverlay: Caret/Focus changed before any key was pressed. "
                                   "Hiding suggestions.")
                     : fmt::format("🔍 PredictiveOverlay: Caret/Focus changed without typing (Time since last "
                                   "key: {:.3f}s). Hiding suggestions.",
                                   sinceLastKey));
    }
    if (display_.hideOverlayPanelImmediately) {
        display_.hideOverlayPanelImmediately();
    }
    services_.eventTapManager.clearContext(std::nullopt, false);
}

void FocusObserver::learnFieldValueFromElement(const AXUIElement& element)
{
    AXValue value;
    if (element.copyAttributeValue(AXAttribute::value, value) != AXError::success) {
        return;
    }
    const auto text = value.asString();
    if (!text || text->empty()) {
        return;
    }
    const std::string fallbackBundleId =
        activeRunningApp_ ? activeRunningApp_->bundleIdentifier.value_or("") : std::string();
    // Classified as a field of its own application: by the time a field is
    // left for another application, that other one is already in front.
    const FieldContextResult result = services_.fieldContext.detect(element, bundleIdOf(element));
    if (result.context == FieldContext::password || result.context == FieldContext::unknown) {
        return;
    }
    services_.fieldMemory.learnFieldValue(result.context, result.label, *text,
                                          result.appBundleId.value_or(fallbackBundleId), result.domain);
}

void FocusObserver::applicationWillTerminate()
{
    removeCurrentObserver();
    if (lastFocusedElement_) {
        learnFieldValueFromElement(*lastFocusedElement_);
    }
}

std::optional<std::string> FocusObserver::bundleIdOf(const AXUIElement& element) const
{
    if (element.pid() == 0) {
        return std::nullopt;
    }
    for (const RunningApplication& application : services_.workspace.runningApplications()) {
        if (application.processIdentifier == element.pid()) {
            return application.bundleIdentifier;
        }
    }
    return std::nullopt;
}

void FocusObserver::suggestNearCaret()
{
    if (display_.updateSuggestionsNearCaret) {
        display_.updateSuggestionsNearCaret(std::nullopt, false);
    }
}

}  // namespace qm
