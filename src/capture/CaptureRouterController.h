#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/CaptureFolderPreCheck.h"
#include "capture/CaptureOverlayState.h"
#include "capture/CaptureRouterModeServices.h"
#include "capture/CaptureTargetRegistry.h"
#include "capture/CaretBoundsLookup.h"
#include "capture/FocusFingerprint.h"
#include "capture/HostTriggerRemover.h"
#include "capture/PassiveOutcome.h"
#include "capture/PassiveTriggerWatch.h"
#include "platform/accessibility/AXTextRange.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/CancellationToken.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/workspace/RunningApplication.h"
#include "records/HostCaptureContext.h"
#include "records/HostFocus.h"
#include "targets/CaptureTarget.h"

namespace qm {

class Accessibility;
class CaptureOverlayPanel;
class Clock;
class ConcurrentQueue;
class MainLoop;
class NotificationCenter;
class SyntheticEventPoster;
class UserDefaults;
class Workspace;

// The capture router: watches what the user types in other applications for a
// "//" trigger (two slashes, a command word, Space or Return), removes the typed
// trigger from the host field, runs capture mode in the overlay at the caret
// and, on Return, hands the typed line to the target and records the outcome.
// Its parts that share no state stand apart: the passive trigger watch
// (PassiveTriggerWatch: the typed and parked buffers), the trigger's removal
// from the host field (HostTriggerRemover) and the caret lookup that places
// the overlay (CaretBoundsLookup). The controller keeps the transition
// between them, capture mode and the commit, which share the capture state.
//
// Threads. The event tap calls handleKeyEvent, the three thread-safe queries and
// clearPassiveBuffer on its own thread; the shell calls the focus operations on
// the main thread; the trigger removal runs on the serial queue
// "com.quillmarker.capture-transition"; capture mode, commit, cancel and exit
// run on the main thread, picker loads, target sends and history records on
// the background queue. Two locks: the passive trigger watch's (the passive
// buffer, the parked buffers, the typing fingerprint) and stateLock_ (the
// pipeline flags and transition generations). They are never held together
// and nothing blocking (Accessibility, the main thread) happens under either,
// so the tap path only ever waits for the other short critical section. The
// capture state (the overlay's model) is the main thread's alone. Destroy the
// router on the main thread: its delayed main-thread work and the reports of
// its background work check that it still lives.
class CaptureRouterController {
public:
    using FocusFingerprint = qm::FocusFingerprint;

    // The parts' limits (see there), under the names callers know.
    static constexpr std::size_t passiveBufferLimit = PassiveTriggerWatch::bufferLimit;
    static constexpr double passiveBufferRetentionMaxAge = PassiveTriggerWatch::retentionMaxAge;
    static constexpr std::size_t passiveBufferRetentionMaxSlots = PassiveTriggerWatch::retentionMaxSlots;
    // The serial queue that removes triggers from host fields.
    static constexpr const char* captureTransitionQueueLabel = "com.quillmarker.capture-transition";
    // A transition not finished by its removal task releases the keyboard after
    // the first check at this delay plus five more, one second apart (7 s).
    static constexpr double failsafeFirstCheckDelay = 2.0;
    static constexpr double failsafeRecheckDelay = 1.0;
    static constexpr int failsafeMaxAttempts = 4;
    static constexpr float removalMessagingTimeout = HostTriggerRemover::messagingTimeout;
    static constexpr int maxBackspaces = HostTriggerRemover::maxBackspaces;
    static constexpr int backspaceIntervalMicroseconds = HostTriggerRemover::backspaceIntervalMicroseconds;
    static constexpr float caretMessagingTimeout = CaretBoundsLookup::messagingTimeout;
    static constexpr double fallbackScreenHeight = CaretBoundsLookup::fallbackScreenHeight;

    // Every reference must outlive the controller. `defaults` supplies the
    // Obsidian vault and Logseq graph folders of the pre-check; `registry` the
    // targets the triggers name; `services` what capture mode and the commit
    // work with.
    CaptureRouterController(MainLoop& mainLoop, const Clock& clock, Workspace& workspace,
                            Accessibility& accessibility, SyntheticEventPoster& eventPoster,
                            NotificationCenter& notificationCenter, const UserDefaults& defaults,
                            CaptureTargetRegistry registry, CaptureRouterModeServices services);
    // Waits for a removal already running; removals still queued do nothing.
    ~CaptureRouterController();
    CaptureRouterController(const CaptureRouterController&) = delete;
    CaptureRouterController& operator=(const CaptureRouterController&) = delete;

    // --- Event-tap thread (and any other thread) ---

    // Capture mode is open: the tap passes every key through to the overlay.
    bool isCaptureModeActiveThreadSafe() const { return captureModeActive_.load(); }
    // A trigger was accepted and capture mode is not open yet: the tap swallows
    // every key-down except the Delete keys this process posts.
    bool isCaptureTransitionThreadSafe() const { return captureTransition_.load(); }
    // Either of the two above.
    bool isCapturePipelineBusyThreadSafe() const
    {
        // The transition first: when it ends, capture mode has already been opened
        // (or the transition given up), so no hand-over between the two reads as idle.
        const bool transition = captureTransition_.load();
        return captureModeActive_.load() || transition;
    }

    // Runs a block once the key in hand has been answered (the event tap's
    // EventTapFactory::performAfterEvent).
    using AfterKey = std::function<void(std::function<void()>)>;

    // Offers one key event to the passive trigger detection. True exactly when
    // this key completed a trigger that was accepted: the caller swallows it
    // and the transition has begun (the keys after it are swallowed). Never
    // blocks on another thread's work and makes no Accessibility call. What
    // wakes other threads (the removal, the main thread's notices) is handed
    // to `afterKey`, so that the key never waits for it; without one it
    // happens before this returns.
    bool handleKeyEvent(const KeyEvent& event, const AfterKey& afterKey = {});

    // Empties the working and the parked buffers and ends a transition in
    // flight; capture mode itself stays as it is.
    void clearPassiveBuffer();

    // Empties every buffer, forgets the typing fingerprint, ends the
    // transition in flight (its generation counts as completed) and, with
    // `clearCaptureMode`, closes capture mode's flag.
    void resetPassiveTriggerState(bool clearCaptureMode);

    // --- Capture mode (main thread) ---

    // Opens capture mode for `target`: resets the capture state, starts the
    // picker load of a target that needs one, takes the host context, shows
    // the overlay at the caret and activates this program. Any thread: the
    // work is handed to the main loop unless the caller is on it. Entering
    // again while a capture is open starts over; nothing of the earlier
    // capture is sent. The end of a trigger removal calls it.
    void enterCaptureModeUI(const std::shared_ptr<CaptureTarget>& target);

    // The overlay's message field changed to `text` (after setMessageInput).
    // For "calc" it updates the live result; for a picker-filtering target
    // whose row is not confirmed yet it filters the picker.
    void handleMessageInputChange(const std::string& text);

    // Confirms the highlighted row of a picker-filtering target (Tab in the
    // overlay): the message field is emptied for the message itself. Does
    // nothing for other targets or without a highlighted row.
    void confirmSelectedTarget();

    // Return in the overlay. For a picker-filtering target with no confirmed
    // row it only confirms the highlighted one. Otherwise it checks the
    // permission the target needs, ends capture mode, sends the line in the
    // background and records the outcome; a failure keeps the text in the
    // recovery log and posts "PresentCaptureFailure". Returns at once, having
    // taken the target: a second Return before capture mode ends sends nothing.
    // Only this capture's own mode is ever ended by the commit: a capture the
    // user opened while the line was on its way stays open.
    void commitCapture();

    // Leaves capture mode without sending anything and resets the passive
    // trigger state. The overlay calls it for Esc and outside clicks, the
    // event tap on every tap disable, whether or not a capture is open. A
    // trigger whose removal is still running opens no capture afterwards.
    void cancelCapture();

    // The overlay's Esc or Shift-Tab after a picker row was confirmed: the
    // confirmation and the message are dropped and the picker's rows load
    // again, the first one highlighted. Does nothing for other targets or
    // without a confirmed row.
    void returnToPicker();

    // The capture state the overlay shows. Main thread.
    bool isCaptureModeActive() const { return isCaptureModeActive_; }
    const std::shared_ptr<CaptureTarget>& currentTarget() const { return currentTarget_; }
    const std::string& messageInput() const { return messageInput_; }
    // The overlay's two-way binding of its message field.
    void setMessageInput(std::string text);
    const std::vector<PickerOption>& pickerOptions() const { return pickerOptions_; }
    const std::optional<PickerOption>& selectedOption() const { return selectedOption_; }
    // The overlay's picker navigation.
    void setSelectedOption(std::optional<PickerOption> option);
    // All of the above at once, for rendering.
    CaptureOverlayState captureState() const;

    // Observers of the capture state: each runs on the main thread after
    // every operation that changed it (possibly with nothing changed), so a
    // view renders on change instead of polling. An observer may add or
    // remove observers, itself included.
    using CaptureStateObserverId = std::uint64_t;
    CaptureStateObserverId addCaptureStateObserver(std::function<void()> observer);
    void removeCaptureStateObserver(CaptureStateObserverId id);
    bool isTargetConfirmed() const { return isTargetConfirmed_; }
    const std::optional<PickerOption>& confirmedTarget() const { return confirmedTarget_; }
    const std::optional<std::string>& calcLivePreviewText() const { return calcLivePreviewText_; }
    // The application the current or last capture was typed in; kept after
    // capture mode ends, for the landing confirmation of a send still running.
    const HostCaptureContext& hostCaptureContext() const { return hostCaptureContext_; }
    // The overlay, once the first capture made it.
    const std::shared_ptr<CaptureOverlayPanel>& overlayPanel() const { return overlayPanel_; }

    // Focus tracking, called by the shell's Accessibility observers: the
    // passive trigger watch's (see there).
    static FocusFingerprint focusFingerprint(const std::string& bundleId, const AXUIElement& element)
    {
        return PassiveTriggerWatch::focusFingerprint(bundleId, element);
    }
    static bool isTransientFocusRole(std::string_view role)
    {
        return PassiveTriggerWatch::isTransientFocusRole(role);
    }
    void noteTypingFocus(const std::string& bundleId, const AXUIElement& element)
    {
        passiveWatch_.noteTypingFocus(bundleId, element);
    }
    void suspendPassiveBuffer(const std::string& bundleId, const AXUIElement& element)
    {
        passiveWatch_.suspend(bundleId, element);
    }
    void restorePassiveBufferIfMatching(const std::string& bundleId, const AXUIElement& element)
    {
        passiveWatch_.restoreIfMatching(bundleId, element);
    }
    void suspendPassiveBufferForAppSwitch(const std::optional<std::string>& previousBundleId,
                                          const std::optional<AXUIElement>& previousElement)
    {
        passiveWatch_.suspendForAppSwitch(previousBundleId, previousElement);
    }

    // The Accessibility edits of the removal (transition queue): the host
    // trigger remover's (see there).
    static std::optional<AXTextRange> selectedUTF16Range(const AXUIElement& element)
    {
        return HostTriggerRemover::selectedUTF16Range(element);
    }
    static bool applySelectedTextDelete(std::int64_t location, std::int64_t length,
                                        const AXUIElement& element)
    {
        return HostTriggerRemover::applySelectedTextDelete(location, length, element);
    }
    static bool applyAXValue(const std::string& value, std::int64_t caretUTF16, const AXUIElement& element)
    {
        return HostTriggerRemover::applyAXValue(value, caretUTF16, element);
    }

private:
    // What a commit takes from the capture state when Return is pressed.
    struct CommitRequest {
        std::shared_ptr<CaptureTarget> target;
        std::string text;
        std::optional<PickerOption> option;
        bool needsNotificationAuthorization = false;
        bool needsCalendarAccess = false;
        // The capture the line was typed in: only that one may be closed by this commit.
        std::uint64_t session = 0;
    };

    struct TriggerRemoval {
        std::shared_ptr<CaptureTarget> target;
        std::string triggerBody;
        int documentTriggerLength = 0;
        std::uint64_t generation = 0;
    };

    // Event-tap thread: acts on what the passive trigger watch made of a key
    // it did not merely append.
    bool handlePassiveOutcome(PassiveOutcome outcome, const AfterKey& afterKey);
    void startTransition(PassiveOutcome outcome, const AfterKey& afterKey);
    void postHideSuggestions();

    // Transition queue: removes the typed trigger, then hops to the main thread.
    void runTriggerRemoval(const TriggerRemoval& removal);
    // Main thread.
    void finishTransition(const TriggerRemoval& removal);
    void failsafeCaptureTransition(std::uint64_t generation, int attempts);

    // Capture mode, main thread.
    void runCaptureModeEntry(const std::shared_ptr<CaptureTarget>& target);
    void startPickerLoad(const std::shared_ptr<CaptureTarget>& target);
    void applyPickerOptions(const std::shared_ptr<CaptureTarget>& target, std::vector<PickerOption> options);
    void updateCalcLivePreview(const std::string& text);
    void publishCaptureState();
    // Ends capture mode: clears the capture state, hides the overlay and
    // activates the application the user was typing in. Any thread.
    void exitCaptureMode();
    void runCaptureModeExit();
    // Ends capture mode only while it still shows the capture `session`.
    void exitCaptureModeOf(std::uint64_t session);

    // The commit's steps, each on the main thread.
    void checkNotificationAuthorization(CommitRequest request);
    void checkCalendarAccess(CommitRequest request);
    void sendCapture(CommitRequest request);
    void finishSend(const CommitRequest& request, const std::exception_ptr& error);
    void failCommit(const CommitRequest& request, const std::exception& error);
    void recordAttempt(const CommitRequest& request, bool success);
    ConcurrentQueue& backgroundQueue() const;

    MainLoop& mainLoop_;
    Workspace& workspace_;
    NotificationCenter& notificationCenter_;
    const CaptureTargetRegistry registry_;
    const CaptureFolderPreCheck folderPreCheck_;
    const HostTriggerRemover triggerRemover_;

    // Written under stateLock_; the thread-safe queries read them without it,
    // as the event tap asks for every key. Beside the passive buffer (the
    // watch begins with its lock and working buffer), which every key also
    // edits: a key after a pause finds each cache line cold.
    std::atomic<bool> captureModeActive_{false};
    std::atomic<bool> captureTransition_{false};

    PassiveTriggerWatch passiveWatch_;

    mutable std::mutex stateLock_;
    std::uint64_t captureTransitionGeneration_ = 0;
    std::uint64_t captureTransitionCompletedGeneration_ = 0;
    // The last generation a cancel reached: its removal no longer opens capture mode.
    std::uint64_t captureTransitionCancelledGeneration_ = 0;

    // Capture state: main thread only.
    const CaptureRouterModeServices services_;
    const CaretBoundsLookup caretBounds_;
    HostFocus hostFocus_;
    bool isCaptureModeActive_ = false;
    // Counts the captures opened; a commit remembers the one it came from.
    std::uint64_t captureSession_ = 0;
    std::string messageInput_;
    std::shared_ptr<CaptureTarget> currentTarget_;
    std::optional<PickerOption> selectedOption_;
    std::vector<PickerOption> pickerOptions_;
    bool isTargetConfirmed_ = false;
    std::optional<PickerOption> confirmedTarget_;
    std::optional<std::string> calcLivePreviewText_;
    HostCaptureContext hostCaptureContext_;
    // Before the overlay: its view stops observing when the overlay goes.
    std::vector<std::pair<CaptureStateObserverId, std::shared_ptr<std::function<void()>>>> stateObservers_;
    CaptureStateObserverId nextStateObserverId_ = 1;
    std::shared_ptr<CaptureOverlayPanel> overlayPanel_;
    std::optional<RunningApplication> previouslyActiveApp_;
    std::optional<CancellationToken> activePickerOptionsLoadTask_;

    // Removals still queued when the controller goes find this set and stop.
    std::atomic<bool> destroying_{false};
    AliveToken alive_;
    // Last member: drained first, while everything it may touch still exists.
    std::unique_ptr<SerialQueue> captureTransitionQueue_;
};

}  // namespace qm
