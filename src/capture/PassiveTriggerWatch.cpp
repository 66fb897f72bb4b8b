#include "capture/PassiveTriggerWatch.h"

#include <algorithm>

#include "base/Text.h"
#include "platform/runtime/Clock.h"

namespace qm {

namespace {

// Fewer characters than this typed in a field before its return was reported
// are taken as the continuation of the parked text.
constexpr std::size_t kRestoreContinuationLimit = 8;

}  // namespace

PassiveTriggerWatch::PassiveTriggerWatch(const Clock& clock, const CaptureTargetRegistry& registry)
    : clock_(clock), detector_(registry, bufferLimit)
{
}

std::optional<PassiveOutcome> PassiveTriggerWatch::offerKey(const KeyEvent& event)
{
    std::unique_lock lock(lock_);
    if (detector_.appendPlainCharacter(normalBuffer_, event.keyCode(), event.flags(), event.unicodeString()))
        [[likely]] {
        return std::nullopt;
    }
    return classifyOtherKey(std::move(lock), event);
}

PassiveOutcome PassiveTriggerWatch::classifyOtherKey(std::unique_lock<std::mutex> lock, const KeyEvent& event)
{
    // appendPlainCharacter already turned the key down: straight to the rest.
    PassiveOutcome outcome =
        detector_.handleOtherKey(normalBuffer_, event.keyCode(), event.flags(), event.unicodeString());
    lock.unlock();
    return outcome;
}

void PassiveTriggerWatch::clear()
{
    std::lock_guard lock(lock_);
    normalBuffer_.clear();
    retainedPassives_.clear();
    lastTypingFingerprint_.reset();
}

FocusFingerprint PassiveTriggerWatch::focusFingerprint(const std::string& bundleId,
                                                       const AXUIElement& element)
{
    return FocusFingerprint::of(bundleId, element);
}

bool PassiveTriggerWatch::isTransientFocusRole(std::string_view role)
{
    return text::lowercased(role).find("menu") != std::string::npos;
}

void PassiveTriggerWatch::noteTypingFocus(const std::string& bundleId, const AXUIElement& element)
{
    FocusFingerprint fingerprint = FocusFingerprint::of(bundleId, element);
    std::lock_guard lock(lock_);
    lastTypingFingerprint_ = std::move(fingerprint);
}

void PassiveTriggerWatch::suspend(const std::string& bundleId, const AXUIElement& element)
{
    const FocusFingerprint fingerprint = FocusFingerprint::of(bundleId, element);
    const double now = clock_.now();
    std::lock_guard lock(lock_);
    parkLocked(fingerprint, now);
}

void PassiveTriggerWatch::suspendForAppSwitch(const std::optional<std::string>& previousBundleId,
                                              const std::optional<AXUIElement>& previousElement)
{
    if (previousBundleId && previousElement) {
        suspend(*previousBundleId, *previousElement);
        return;
    }
    const double now = clock_.now();
    std::lock_guard lock(lock_);
    if (!lastTypingFingerprint_ ||
        (previousBundleId && *previousBundleId != lastTypingFingerprint_->bundleId)) {
        normalBuffer_.clear();
        return;
    }
    const FocusFingerprint fingerprint = *lastTypingFingerprint_;
    parkLocked(fingerprint, now);
}

void PassiveTriggerWatch::restoreIfMatching(const std::string& bundleId, const AXUIElement& element)
{
    FocusFingerprint fingerprint = FocusFingerprint::of(bundleId, element);
    const double now = clock_.now();
    std::lock_guard lock(lock_);
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
        joined.keepLastCharacters(bufferLimit);
        normalBuffer_ = std::move(joined);
    }
    retainedPassives_.erase(parked);
}

void PassiveTriggerWatch::discardExpiredParkedBuffers(double now)
{
    std::erase_if(retainedPassives_, [now](const RetainedPassiveBuffer& entry) {
        return now - entry.savedAt > retentionMaxAge;
    });
}

void PassiveTriggerWatch::parkLocked(const FocusFingerprint& fingerprint, double now)
{
    discardExpiredParkedBuffers(now);
    PassiveTriggerBuffer snapshot = normalBuffer_;
    snapshot.keepLastCharacters(bufferLimit);
    normalBuffer_.clear();
    if (snapshot.empty()) {
        return;
    }
    std::erase_if(retainedPassives_,
                  [&](const RetainedPassiveBuffer& entry) { return entry.fingerprint == fingerprint; });
    retainedPassives_.push_back({fingerprint, std::move(snapshot), now});
    while (retainedPassives_.size() > retentionMaxSlots) {
        retainedPassives_.erase(retainedPassives_.begin());
    }
}

}  // namespace qm
