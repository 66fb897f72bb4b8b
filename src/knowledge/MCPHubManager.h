#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "base/Uuid.h"
#include "knowledge/MCPConnectionSink.h"
#include "platform/runtime/SerialQueue.h"

namespace qm {

class Clock;
class GraphQueryEngine;

// Where the MCP server's connections meet the rest of the system: the
// registered connections, the ones subscribed to context broadcasts, the
// "quillmarker.contextChanged" broadcast, and the graph search behind
// "quillmarker.queryGraph".
//
// Any thread. The lock guards only the two tables; broadcasts run one after
// another on the serial queue "com.quillmarker.mcpHubQueue", and no send or
// log line happens under the lock. Destruction waits for queued broadcasts.
class MCPHubManager {
public:
    // The references must outlive the hub.
    MCPHubManager(GraphQueryEngine& graph, const Clock& clock);
    MCPHubManager(const MCPHubManager&) = delete;
    MCPHubManager& operator=(const MCPHubManager&) = delete;

    // Keeps the connection under its id, replacing any earlier one.
    void registerConnection(std::shared_ptr<MCPConnectionSink> connection, const Uuid& id);
    // Forgets the connection and its subscription; an unknown id does nothing.
    void unregisterConnection(const Uuid& id);

    // Subscribes a registered connection to broadcasts (again: no change) and
    // says so on the console. A connection that has already gone is not
    // recorded, so a closed connection can never come back as a subscriber;
    // false then.
    bool subscribe(const Uuid& id);

    // Returns at once; on the hub's queue, sends every subscribed, registered
    // connection one "quillmarker.contextChanged" line with the project, the
    // suggestion and the time it was built.
    void broadcastContextChange(const std::string& project, const std::string& suggestion);

    // {"nodes": [...]}: the graph's search for `query`, each node in its keyed
    // form. On the caller's thread.
    nlohmann::json handleGraphQuery(const std::string& query);

private:
    GraphQueryEngine& graph_;
    const Clock& clock_;
    std::mutex lock_;
    std::map<Uuid, std::shared_ptr<MCPConnectionSink>> activeConnections_;
    std::set<Uuid> subscriberConnections_;
    // Last: destroyed first, so queued broadcasts still find the members above.
    SerialQueue queue_;
};

}  // namespace qm
