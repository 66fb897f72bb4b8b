#include "capture/CaptureRouterController.h"

#include <stdexcept>

#include "capture/CaptureNotifications.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

CaptureRouterController::CaptureRouterController(MainLoop& mainLoop, const Clock& clock, Workspace& workspace,
                                                 Accessibility& accessibility,
                                                 SyntheticEventPoster& eventPoster,
                                                 NotificationCenter& notificationCenter,
                                                 const UserDefaults& defaults, CaptureTargetRegistry registry,
                                                 CaptureRouterModeServices services)
    : mainLoop_(mainLoop), workspace_(workspace), notificationCenter_(notificationCenter),
      registry_(std::move(registry)), folderPreCheck_(defaults),
      triggerRemover_(accessibility, workspace, eventPoster), passiveWatch_(clock, registry_),
      services_(std::move(services)), caretBounds_(accessibility, services_.screens, services_.mouse),
      // A capture started from one of this program's own windows keeps the previous host.
      hostFocus_(workspace, accessibility, [this] { return hostCaptureContext_; }),
      captureTransitionQueue_(std::make_unique<SerialQueue>(captureTransitionQueueLabel))
{
    if (!services_.requestCalendarAccess) {
        throw std::invalid_argument("CaptureRouterController: no calendar access check");
    }
}

CaptureRouterController::~CaptureRouterController()
{
    destroying_.store(true);
    // Drains the queue now, while every member a running removal touches still exists.
    captureTransitionQueue_.reset();
}

namespace {

void runAfterKey(const CaptureRouterController::AfterKey& afterKey, std::function<void()> block)
{
    if (afterKey) {
        afterKey(std::move(block));
    } else {
        block();
    }
}

}  // namespace

bool CaptureRouterController::handleKeyEvent(const KeyEvent& event, const AfterKey& afterKey)
{
    if (event.type() != KeyEventType::keyDown) {
        return false;
    }
    if (isCapturePipelineBusyThreadSafe()) {
        return false;
    }
    std::optional<PassiveOutcome> outcome = passiveWatch_.offerKey(event);
    if (!outcome) [[likely]] {
        return false;
    }
    return handlePassiveOutcome(std::move(*outcome), afterKey);
}

bool CaptureRouterController::handlePassiveOutcome(PassiveOutcome outcome, const AfterKey& afterKey)
{
    // Looking at the folder is a file-system call that a slow mount can hold
    // up for seconds: never under the buffer lock, which the main thread's
    // focus tracking takes too. The watch's lock is released by now; the
    // detector emptied the buffer either way.
    if (outcome.isTrigger()) {
        if (auto failure = folderPreCheck_.missingPathFailure(outcome.commandName)) {
            outcome.kind = PassiveOutcome::Kind::passThrough;
            outcome.target.reset();
            outcome.folderFailure = std::move(failure);
        }
    }
    if (outcome.isTrigger()) {
        startTransition(std::move(outcome), afterKey);
        return true;
    }
    if (outcome.hidesSuggestions) {
        runAfterKey(afterKey, [this] { postHideSuggestions(); });
    }
    if (outcome.folderFailure) {
        runAfterKey(afterKey, [this, notice = std::move(*outcome.folderFailure)]() mutable {
            mainLoop_.post(
                alive_.guard([this, notice = std::move(notice)] { notice.post(notificationCenter_); }));
        });
    }
    return false;
}

void CaptureRouterController::postHideSuggestions()
{
    mainLoop_.post(
        alive_.guard([this] { notificationCenter_.post(CaptureNotifications::hideSuggestionsOverlay); }));
}

void CaptureRouterController::startTransition(PassiveOutcome outcome, const AfterKey& afterKey)
{
    // One critical section: a cancel between raising the flag and numbering the
    // transition would mark the previous generation and be lost.
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(stateLock_);
        captureTransition_ = true;
        generation = ++captureTransitionGeneration_;
    }
    TriggerRemoval removal{std::move(outcome.target), std::move(outcome.triggerBody),
                           outcome.documentTriggerLength, generation};
    // The transition is on (the keys after this one are swallowed); hiding the
    // suggestions and waking the transition queue and the main loop wait
    // until this key has been answered: one block for all three.
    runAfterKey(afterKey, [this, removal = std::move(removal), generation]() mutable {
        postHideSuggestions();
        captureTransitionQueue_->async([this, removal = std::move(removal)] {
            if (destroying_.load()) {
                return;
            }
            runTriggerRemoval(removal);
        });
        mainLoop_.postAfter(failsafeFirstCheckDelay,
                            alive_.guard([this, generation] { failsafeCaptureTransition(generation, 0); }));
    });
}

void CaptureRouterController::runTriggerRemoval(const TriggerRemoval& removal)
{
    // Whatever the removal managed, capture mode is asked to open afterwards.
    triggerRemover_.remove(removal.triggerBody, removal.documentTriggerLength);
    mainLoop_.post(alive_.guard([this, removal] { finishTransition(removal); }));
}

void CaptureRouterController::finishTransition(const TriggerRemoval& removal)
{
    bool cancelled = false;
    {
        std::lock_guard lock(stateLock_);
        cancelled = removal.generation <= captureTransitionCancelledGeneration_;
    }
    if (!cancelled) {
        enterCaptureModeUI(removal.target);
    }
    std::lock_guard lock(stateLock_);
    if (captureTransitionGeneration_ == removal.generation) {
        captureTransition_ = false;
        captureTransitionCompletedGeneration_ = removal.generation;
    }
}

void CaptureRouterController::failsafeCaptureTransition(std::uint64_t generation, int attempts)
{
    {
        std::lock_guard lock(stateLock_);
        if (captureTransitionGeneration_ != generation ||
            captureTransitionCompletedGeneration_ >= generation) {
            return;
        }
        if (attempts > failsafeMaxAttempts) {
            // The removal never reported back: give the keyboard back, open nothing.
            captureTransition_ = false;
            return;
        }
    }
    mainLoop_.postAfter(failsafeRecheckDelay, alive_.guard([this, generation, attempts] {
        failsafeCaptureTransition(generation, attempts + 1);
    }));
}

void CaptureRouterController::resetPassiveTriggerState(bool clearCaptureMode)
{
    // The watch's lock and stateLock_ one after the other, never together.
    passiveWatch_.clear();
    std::lock_guard lock(stateLock_);
    captureTransition_ = false;
    captureTransitionCompletedGeneration_ = captureTransitionGeneration_;
    if (clearCaptureMode) {
        captureModeActive_ = false;
    }
}

void CaptureRouterController::clearPassiveBuffer()
{
    resetPassiveTriggerState(false);
}

}  // namespace qm
