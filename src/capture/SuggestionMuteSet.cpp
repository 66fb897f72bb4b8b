#include "capture/SuggestionMuteSet.h"

namespace qm {

bool SuggestionMuteSet::toggle(const std::string& bundleId)
{
    std::lock_guard lock(mutex_);
    const auto [position, inserted] = muted_.insert(bundleId);
    if (!inserted) {
        muted_.erase(position);
    }
    anyMuted_.store(!muted_.empty(), std::memory_order_release);
    return inserted;
}

bool SuggestionMuteSet::contains(std::string_view bundleId) const
{
    if (!anyMuted_.load(std::memory_order_acquire)) {
        return false;
    }
    std::lock_guard lock(mutex_);
    return muted_.find(bundleId) != muted_.end();
}

}  // namespace qm
