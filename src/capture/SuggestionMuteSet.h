#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace qm {

// The applications in which the user switched suggestions off (Control+0 in
// that application). Kept for the life of the process. Read by the event tap
// for every key, so a lookup while nothing is muted takes no lock.
class SuggestionMuteSet {
public:
    // Mutes `bundleId` when it is not muted, unmutes it when it is. Answers
    // whether it is muted now.
    bool toggle(const std::string& bundleId);

    bool contains(std::string_view bundleId) const;
    // Whether any application is muted: what every key asks first, without a
    // lock and without looking at the key's application.
    bool anyMuted() const { return anyMuted_.load(std::memory_order_acquire); }

private:
    // First: the one member every key reads.
    std::atomic<bool> anyMuted_{false};
    mutable std::mutex mutex_;
    std::set<std::string, std::less<>> muted_;
};

}  // namespace qm
