#include <algorithm>

#include "base/Text.h"
#include "capture/CaptureRouterController.h"
#include "platform/runtime/Clock.h"

// Parking and restoring the passive buffer when the focus moves between fields
// and applications, so that typing elsewhere never continues a trigger while a
// trigger interrupted by a short visit elsewhere still completes.

namespace qm {

namespace {

// Fewer characters than this typed in a field before its return was reported
// are taken as the continuation of the parked text.
constexpr std::size_t kRestoreContinuationLimit = 8;

}  // namespace

CaptureRouterController::FocusFingerprint
CaptureRouterController::focusFingerprint(const std::string& bundleId, const AXUIElement& element)
{
    return FocusFingerprint::of(bundleId, element);
}

bool CaptureRouterController::isTransientFocusRole(std::string_view role)
{
    return text::lowercased(role).find("menu") != std::string::npos;
}

void CaptureRouterController::noteTypingFocus(const std::string& bundleId, const AXUIElement& element)
{
    FocusFingerprint fingerprint = FocusFingerprint::of(bundleId, element);
    std::lock_guard lock(bufferLock_);
    lastTypingFingerprint_ = std::move(fingerprint);
}

void CaptureRouterController::suspendPassiveBuffer(const std::string& bundleId, const AXUIElement& element)
{
    const FocusFingerprint fingerprint = FocusFingerprint::of(bundleId, element);
    const double now = clock_.now();
    std::lock_guard lock(bufferLock_);
    parkLocked(fingerprint, now);
}

void CaptureRouterController::suspendPassiveBufferForAppSwitch(
    const std::optional<std::string>& previousBundleId, const std::optional<AXUIElement>& previousElement)
{
    if (previousBundleId && previousElement) {
        suspendPassiveBuffer(*previousBundleId, *previousElement);
        return;
    }
    const double now = clock_.now();
    std::lock_guard lock(bufferLock_);
    if (!lastTypingFingerprint_ ||
        (previousBundleId && *previousBundleId != lastTypingFingerprint_->bundleId)) {
        normalBuffer_.clear();
        return;
    }
    const FocusFingerprint fingerprint = *lastTypingFingerprint_;
    parkLocked(fingerprint, now);
}

void CaptureRouterController::restorePassiveBufferIfMatching(const std::string& bundleId,
                                                             const AXUIElement& element)
{
    FocusFingerprint fingerprint = FocusFingerprint::of(bundleId, element);
    const double now = clock_.now();
    std::lock_guard lock(bufferLock_);
    discardExpiredParkedBuffers(now);
    lastTypingFingerprint_ = fingerprint;
    const auto parked =
        std::find_if(retainedPassives_.begin(), retainedPassives_.end(),
                     [&](const RetainedPassiveBuffer& entry) { return entry.fingerprint == fingerprint; });
    if (parked == retainedPassives_.end()) {
        return;
    }
    if (normalBuffer_.empty()) {
        normalBuffer_ = parked->buffer;
    } else if (normalBuffer_.characterCount() < kRestoreContinuationLimit) {
        PassiveTriggerBuffer joined = parked->buffer;
        joined.append(normalBuffer_.text());
        joined.keepLastCharacters(passiveBufferLimit);
        normalBuffer_ = std::move(joined);
    }
    retainedPassives_.erase(parked);
}

void CaptureRouterController::discardExpiredParkedBuffers(double now)
{
    std::erase_if(retainedPassives_, [now](const RetainedPassiveBuffer& entry) {
        return now - entry.savedAt > passiveBufferRetentionMaxAge;
    });
}

void CaptureRouterController::parkLocked(const FocusFingerprint& fingerprint, double now)
{
    discardExpiredParkedBuffers(now);
    PassiveTriggerBuffer snapshot = normalBuffer_;
    snapshot.keepLastCharacters(passiveBufferLimit);
    normalBuffer_.clear();
    if (snapshot.empty()) {
        return;
    }
    std::erase_if(retainedPassives_,
                  [&](const RetainedPassiveBuffer& entry) { return entry.fingerprint == fingerprint; });
    retainedPassives_.push_back({fingerprint, std::move(snapshot), now});
    while (retainedPassives_.size() > passiveBufferRetentionMaxSlots) {
        retainedPassives_.erase(retainedPassives_.begin());
    }
}

}  // namespace qm
