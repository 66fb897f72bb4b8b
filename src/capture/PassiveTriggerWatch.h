#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/CaptureTargetRegistry.h"
#include "capture/FocusFingerprint.h"
#include "capture/PassiveOutcome.h"
#include "capture/PassiveTriggerBuffer.h"
#include "capture/PassiveTriggerDetector.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/keyboard/KeyEvent.h"

namespace qm {

class Clock;

// The capture router's passive side: what the user has typed in the field in
// front (the working buffer), the buffers parked under the fields the focus
// left (so that a trigger interrupted by a short visit elsewhere still
// completes, while typing elsewhere never continues it) and the fingerprint
// of the field receiving typing.
//
// Threads. The event tap offers keys and clears; the shell's focus tracking
// parks and restores on the main thread. One lock guards all of it, held only
// for a short edit: fingerprints (Accessibility calls) are computed before it
// is taken, and nothing blocking happens under it, so the tap only ever waits
// for the other side's short critical section.
class PassiveTriggerWatch {
public:
    // Characters (user-perceived) kept in the working and in a parked buffer.
    static constexpr std::size_t bufferLimit = 100;
    // A parked buffer older than this (seconds) is discarded.
    static constexpr double retentionMaxAge = 120.0;
    static constexpr std::size_t retentionMaxSlots = 2;

    // `clock` and `registry` must outlive the watch.
    PassiveTriggerWatch(const Clock& clock, const CaptureTargetRegistry& registry);
    PassiveTriggerWatch(const PassiveTriggerWatch&) = delete;
    PassiveTriggerWatch& operator=(const PassiveTriggerWatch&) = delete;

    // --- Event-tap thread (and any other thread) ---

    // Offers a key-down to the working buffer. Nothing when it only joined the
    // buffer (a plain character: the common case, kept short); else what the
    // detector made of it. Makes no Accessibility or file-system call.
    std::optional<PassiveOutcome> offerKey(const KeyEvent& event);

    // Empties the working and the parked buffers and forgets the typing fingerprint.
    void clear();

    // --- Focus tracking (main thread) ---

    static FocusFingerprint focusFingerprint(const std::string& bundleId, const AXUIElement& element);
    // A menu or completion list that takes the focus leaves the buffer alone.
    static bool isTransientFocusRole(std::string_view role);
    // The element now receiving typing.
    void noteTypingFocus(const std::string& bundleId, const AXUIElement& element);
    // Parks the working buffer under the element that lost the focus.
    void suspend(const std::string& bundleId, const AXUIElement& element);
    // Gives back the parked buffer of the element that gained the focus.
    void restoreIfMatching(const std::string& bundleId, const AXUIElement& element);
    // On application activation: parks the previous application's buffer so
    // that typing in the new one does not continue it.
    void suspendForAppSwitch(const std::optional<std::string>& previousBundleId,
                             const std::optional<AXUIElement>& previousElement);

private:
    struct RetainedPassiveBuffer {
        FocusFingerprint fingerprint;
        PassiveTriggerBuffer buffer;
        double savedAt = 0;
    };

    // Every key but a plain character, out of line, the lock still held.
    PassiveOutcome classifyOtherKey(std::unique_lock<std::mutex> lock, const KeyEvent& event);

    // With lock_ held.
    void discardExpiredParkedBuffers(double now);
    void parkLocked(const FocusFingerprint& fingerprint, double now);

    // The lock and the working buffer first: every key touches them.
    mutable std::mutex lock_;
    PassiveTriggerBuffer normalBuffer_;
    std::vector<RetainedPassiveBuffer> retainedPassives_;
    std::optional<FocusFingerprint> lastTypingFingerprint_;

    const Clock& clock_;
    const PassiveTriggerDetector detector_;
};

}  // namespace qm
