#include "suggestions/AIResponseCache.h"

#include "platform/runtime/Clock.h"

namespace qm {

AIResponseCache::AIResponseCache(const Clock& clock) : clock_(clock) {}

std::optional<std::string> AIResponseCache::get(const std::string& key)
{
    return queue_.syncResult([&]() -> std::optional<std::string> {
        const auto entry = entries_.find(key);
        if (entry == entries_.end()) {
            return std::nullopt;
        }
        if (clock_.now() - entry->second.timestamp < kLifetimeSeconds) {
            return entry->second.response;
        }
        entries_.erase(entry);
        return std::nullopt;
    });
}

void AIResponseCache::set(std::string key, std::string response)
{
    queue_.async([this, key = std::move(key), entry = Entry{std::move(response), clock_.now()}]() mutable {
        entries_[std::move(key)] = std::move(entry);
    });
}

}  // namespace qm
