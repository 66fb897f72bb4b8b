#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "base/Uuid.h"

namespace qm {

class Clock;

// The short-lived suggestions that local tools push over the MCP server, for
// the suggestion overlay. Each expires some seconds after its push; at most
// 20 are held, the newest kept. Nothing is saved.
//
// Any thread. Writes are applied under the lock before they return, so a read
// that follows a write always sees it.
class MCPSuggestionQueue {
public:
    static constexpr std::size_t kMaxSuggestions = 20;
    static constexpr std::int64_t kDefaultPriority = 5;
    static constexpr double kDefaultTTLSeconds = 10;

    // One pushed suggestion; made only by the queue. Equality is by id alone.
    struct MCPSuggestion {
        Uuid id;
        std::string title;
        std::optional<std::string> body;
        std::string actionText;
        std::int64_t priority = kDefaultPriority;
        double expiresAt = 0;  // seconds since 1970
        std::optional<std::string> sourceLabel;

        friend bool operator==(const MCPSuggestion& a, const MCPSuggestion& b) { return a.id == b.id; }
    };

    // `clock` must outlive the queue.
    explicit MCPSuggestionQueue(const Clock& clock);
    MCPSuggestionQueue(const MCPSuggestionQueue&) = delete;
    MCPSuggestionQueue& operator=(const MCPSuggestionQueue&) = delete;

    // Appends one suggestion per element that has a text "title" and a text
    // "actionText" ("body", "priority" (an integer, default 5), "ttlSeconds"
    // (any number, default 10) and "sourceLabel" are optional); other elements
    // are skipped. Then drops what has expired and all but the newest 20.
    void push(const nlohmann::json& suggestions);

    // The suggestions not yet expired, oldest push first (not by priority).
    // Expired ones are dropped on the way.
    std::vector<MCPSuggestion> getActiveSuggestions();

    // Without ids: removes every suggestion. With ids: removes those whose id
    // is listed (the standard UUID text, either letter case); other texts are
    // ignored.
    void clear(const std::optional<std::vector<std::string>>& ids);

private:
    const Clock& clock_;
    std::mutex mutex_;
    std::vector<MCPSuggestion> suggestionsList_;
};

}  // namespace qm
