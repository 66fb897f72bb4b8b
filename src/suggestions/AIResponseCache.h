#pragma once

#include <optional>
#include <string>
#include <unordered_map>

#include "platform/runtime/SerialQueue.h"

namespace qm {

class Clock;

// Whole answers of the AI engine, in memory, for a short while. The entries are
// touched only on the serial queue "com.quillmarker.aiCacheQueue": reads wait
// for it, writes do not, and a read always sees the writes made before it.
// There is no size limit and no sweep: an entry goes when a read finds it stale.
class AIResponseCache {
public:
    static constexpr double kLifetimeSeconds = 300;

    explicit AIResponseCache(const Clock& clock);
    AIResponseCache(const AIResponseCache&) = delete;
    AIResponseCache& operator=(const AIResponseCache&) = delete;

    // The answer stored under `key` less than kLifetimeSeconds ago; an older one
    // is removed and nothing is returned. Any thread but the cache's queue.
    std::optional<std::string> get(const std::string& key);

    // Stores `response` under `key`, stamped with the time of this call (not of
    // the moment the queue gets to it, so an answer's age never depends on how
    // busy the queue was), replacing any older entry. Returns at once.
    void set(std::string key, std::string response);

private:
    struct Entry {
        std::string response;
        double timestamp = 0;
    };

    const Clock& clock_;
    std::unordered_map<std::string, Entry> entries_;
    // Last: destroyed first, after running the writes still queued.
    SerialQueue queue_{"com.quillmarker.aiCacheQueue"};
};

}  // namespace qm
