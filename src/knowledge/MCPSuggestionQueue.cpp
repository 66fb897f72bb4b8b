#include "knowledge/MCPSuggestionQueue.h"

#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "platform/runtime/Clock.h"

namespace qm {

MCPSuggestionQueue::MCPSuggestionQueue(const Clock& clock) : clock_(clock) {}

void MCPSuggestionQueue::push(const nlohmann::json& suggestions)
{
    if (!suggestions.is_array()) {
        return;
    }
    std::vector<MCPSuggestion> added;
    for (const auto& entry : suggestions) {
        auto title = json::stringAt(entry, "title");
        auto actionText = json::stringAt(entry, "actionText");
        if (!title || !actionText) {
            continue;
        }
        // A whole number only: 2.5 or "3" is no priority. A time to live may have fractions.
        const auto priority = json::integerAt(entry, "priority");
        const double ttl = json::numberAt(entry, "ttlSeconds").value_or(kDefaultTTLSeconds);
        added.push_back({Uuid::random(), std::move(*title), json::stringAt(entry, "body"),
                         std::move(*actionText), priority.value_or(kDefaultPriority), clock_.now() + ttl,
                         json::stringAt(entry, "sourceLabel")});
    }

    const std::lock_guard guard(mutex_);
    suggestionsList_.insert(suggestionsList_.end(), std::make_move_iterator(added.begin()),
                            std::make_move_iterator(added.end()));
    std::erase_if(suggestionsList_,
                  [&](const MCPSuggestion& suggestion) { return suggestion.expiresAt <= clock_.now(); });
    if (suggestionsList_.size() > kMaxSuggestions) {
        suggestionsList_.erase(suggestionsList_.begin(),
                               suggestionsList_.end() - static_cast<std::ptrdiff_t>(kMaxSuggestions));
    }
}

std::vector<MCPSuggestionQueue::MCPSuggestion> MCPSuggestionQueue::getActiveSuggestions()
{
    const std::lock_guard guard(mutex_);
    const double now = clock_.now();
    std::erase_if(suggestionsList_,
                  [&](const MCPSuggestion& suggestion) { return suggestion.expiresAt <= now; });
    return suggestionsList_;
}

void MCPSuggestionQueue::clear(const std::optional<std::vector<std::string>>& ids)
{
    if (!ids) {
        const std::lock_guard guard(mutex_);
        suggestionsList_.clear();
        return;
    }
    std::set<Uuid> removed;
    for (const auto& text : *ids) {
        if (const auto id = Uuid::fromString(text)) {
            removed.insert(*id);
        }
    }
    // Expired entries are left to the next read or push.
    const std::lock_guard guard(mutex_);
    std::erase_if(suggestionsList_,
                  [&](const MCPSuggestion& suggestion) { return removed.contains(suggestion.id); });
}

}  // namespace qm
