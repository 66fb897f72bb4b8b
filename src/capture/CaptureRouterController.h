#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/CaptureFolderPreCheck.h"
#include "capture/CaptureTarget.h"
#include "capture/CaptureTargetRegistry.h"
#include "capture/FocusFingerprint.h"
#include "capture/PassiveTriggerBuffer.h"
#include "capture/PassiveTriggerDetector.h"
#include "platform/AXTextRange.h"
#include "platform/AXUIElement.h"
#include "platform/AliveToken.h"
#include "platform/KeyEvent.h"
#include "platform/SerialQueue.h"

namespace qm {

class Accessibility;
class Clock;
class MainLoop;
class NotificationCenter;
class SyntheticEventPoster;
class UserDefaults;
class Workspace;

// The capture router: watches what the user types in other applications for a
// "//" trigger (two slashes, a command word, Space or Return), removes the typed
// trigger from the host field and hands over to capture mode.
//
// Threads. The event tap calls handleKeyEvent, the three thread-safe queries and
// clearPassiveBuffer on its own thread; the shell calls the focus operations on
// the main thread; the trigger removal runs on the serial queue
// "com.quillmarker.capture-transition". Two locks: bufferLock_ (the passive
// buffer, the parked buffers, the typing fingerprint) and stateLock_ (the
// pipeline flags and transition generations). They are never held together and
// nothing blocking (Accessibility, the main thread) happens under either, so the
// tap path only ever waits for the other short critical section. Destroy it
// on the main thread: its delayed main-thread work checks that it still lives.
class CaptureRouterController {
public:
    using FocusFingerprint = qm::FocusFingerprint;
    // Opens capture mode for the target whose trigger was just removed (main thread).
    using CaptureModeEntry = std::function<void(const std::shared_ptr<CaptureTarget>& target)>;

    // Characters (user-perceived) kept in the working and in a parked buffer.
    static constexpr std::size_t passiveBufferLimit = 100;
    // A parked buffer older than this (seconds) is discarded.
    static constexpr double passiveBufferRetentionMaxAge = 120.0;
    static constexpr std::size_t passiveBufferRetentionMaxSlots = 2;
    // The serial queue that removes triggers from host fields.
    static constexpr const char* captureTransitionQueueLabel = "com.quillmarker.capture-transition";
    // A transition not finished by its removal task releases the keyboard after
    // the first check at this delay plus five more, one second apart (7 s).
    static constexpr double failsafeFirstCheckDelay = 2.0;
    static constexpr double failsafeRecheckDelay = 1.0;
    static constexpr int failsafeMaxAttempts = 4;
    // The longest wait for the focused element to answer during a removal.
    static constexpr float removalMessagingTimeout = 0.02f;
    // At most this many Delete keys remove a trigger, this far apart (microseconds).
    static constexpr int maxBackspaces = 32;
    static constexpr int backspaceIntervalMicroseconds = 2500;

    // Every reference must outlive the controller. `defaults` supplies the
    // Obsidian vault and Logseq graph folders of the pre-check.
    CaptureRouterController(MainLoop& mainLoop, const Clock& clock, Workspace& workspace,
                            Accessibility& accessibility, SyntheticEventPoster& eventPoster,
                            NotificationCenter& notificationCenter, const UserDefaults& defaults,
                            CaptureTargetRegistry registry = CaptureTargetRegistry::standard());
    // Waits for a removal already running; removals still queued do nothing.
    ~CaptureRouterController();
    CaptureRouterController(const CaptureRouterController&) = delete;
    CaptureRouterController& operator=(const CaptureRouterController&) = delete;

    // The instance the composition root installed with setShared(). Throws
    // std::logic_error when none was installed.
    static CaptureRouterController& shared();
    // The composition root owns `instance` and keeps it alive while shared() may be used.
    static void setShared(CaptureRouterController* instance);

    // --- Event-tap thread (and any other thread) ---

    // Capture mode is open: the tap passes every key through to the overlay.
    bool isCaptureModeActiveThreadSafe() const;
    // A trigger was accepted and capture mode is not open yet: the tap swallows
    // every key-down except the Delete keys this process posts.
    bool isCaptureTransitionThreadSafe() const;
    // Either of the two above.
    bool isCapturePipelineBusyThreadSafe() const;

    // Offers one key event to the passive trigger detection. True exactly when
    // this key completed a trigger that was accepted: the caller swallows it
    // and the removal of the trigger has started. Never blocks on another
    // thread's work and makes no Accessibility call.
    bool handleKeyEvent(const KeyEvent& event);

    // Empties the working and the parked buffers and ends a transition in
    // flight; capture mode itself stays as it is.
    void clearPassiveBuffer();

    // Empties every buffer, forgets the typing fingerprint, ends the
    // transition in flight (its generation counts as completed) and, with
    // `clearCaptureMode`, closes capture mode's flag.
    void resetPassiveTriggerState(bool clearCaptureMode);

    // --- Main thread ---

    // Leaves capture mode without sending anything and resets the passive
    // trigger state. The event tap calls it on every tap disable, whether or
    // not a capture is open.
    void cancelCapture();

    // Where the removal of a trigger hands over to capture mode.
    void enterCaptureModeUI(const std::shared_ptr<CaptureTarget>& target);
    // Installs what enterCaptureModeUI runs (capture mode is built on top of the router).
    void setCaptureModeEntry(CaptureModeEntry entry);

    // Focus tracking, called by the shell's Accessibility observers. Each
    // computes fingerprints (Accessibility calls) before taking bufferLock_.
    static FocusFingerprint focusFingerprint(const std::string& bundleId, const AXUIElement& element);
    // A menu or completion list that takes the focus leaves the buffer alone.
    static bool isTransientFocusRole(std::string_view role);
    // The element now receiving typing.
    void noteTypingFocus(const std::string& bundleId, const AXUIElement& element);
    // Parks the working buffer under the element that lost the focus.
    void suspendPassiveBuffer(const std::string& bundleId, const AXUIElement& element);
    // Gives back the parked buffer of the element that gained the focus.
    void restorePassiveBufferIfMatching(const std::string& bundleId, const AXUIElement& element);
    // On application activation: parks the previous application's buffer so
    // that typing in the new one does not continue it.
    void suspendPassiveBufferForAppSwitch(const std::optional<std::string>& previousBundleId,
                                          const std::optional<AXUIElement>& previousElement);

    // --- Accessibility edits of the removal (transition queue) ---

    // "AXSelectedTextRange" of the element; nothing when unreadable or not a range.
    static std::optional<AXTextRange> selectedUTF16Range(const AXUIElement& element);
    // Selects the range and replaces it with nothing; true when both writes succeed.
    static bool applySelectedTextDelete(std::int64_t location, std::int64_t length,
                                        const AXUIElement& element);
    // Rewrites the element's whole value and puts the caret at `caretUTF16`
    // (clamped to the new value); false when the value write fails.
    static bool applyAXValue(const std::string& value, std::int64_t caretUTF16, const AXUIElement& element);

private:
    struct RetainedPassiveBuffer {
        FocusFingerprint fingerprint;
        PassiveTriggerBuffer buffer;
        double savedAt = 0;
    };

    struct TriggerRemoval {
        std::shared_ptr<CaptureTarget> target;
        std::string triggerBody;
        int documentTriggerLength = 0;
        std::uint64_t generation = 0;
    };

    // Event-tap thread: the key classification under bufferLock_.
    bool handlePassiveModeTriggerDetection(const KeyEvent& event);
    void startTransition(const PassiveOutcome& outcome);

    // Transition queue: removes the typed trigger, then hops to the main thread.
    void runTriggerRemoval(const TriggerRemoval& removal);
    bool stripTriggerThroughAccessibility(const TriggerRemoval& removal);
    void postBackspaces(int documentTriggerLength);
    // Main thread.
    void finishTransition(const TriggerRemoval& removal);
    void failsafeCaptureTransition(std::uint64_t generation, int attempts);

    // With bufferLock_ held.
    void discardExpiredParkedBuffers(double now);
    void parkLocked(const FocusFingerprint& fingerprint, double now);

    MainLoop& mainLoop_;
    const Clock& clock_;
    Workspace& workspace_;
    Accessibility& accessibility_;
    SyntheticEventPoster& eventPoster_;
    NotificationCenter& notificationCenter_;
    const CaptureTargetRegistry registry_;
    const CaptureFolderPreCheck folderPreCheck_;
    const PassiveTriggerDetector detector_;

    mutable std::mutex bufferLock_;
    PassiveTriggerBuffer normalBuffer_;
    std::vector<RetainedPassiveBuffer> retainedPassives_;
    std::optional<FocusFingerprint> lastTypingFingerprint_;

    mutable std::mutex stateLock_;
    bool captureModeActive_ = false;
    bool captureTransition_ = false;
    std::uint64_t captureTransitionGeneration_ = 0;
    std::uint64_t captureTransitionCompletedGeneration_ = 0;

    std::mutex entryMutex_;
    CaptureModeEntry captureModeEntry_;

    // Removals still queued when the controller goes find this set and stop.
    std::atomic<bool> destroying_{false};
    AliveToken alive_;
    // Last member: drained first, while everything it may touch still exists.
    std::unique_ptr<SerialQueue> captureTransitionQueue_;
};

}  // namespace qm
