#include "knowledge/MCPHubManager.h"

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Log.h"
#include "knowledge/GraphQueryEngine.h"
#include "platform/runtime/Clock.h"

namespace qm {

namespace {

constexpr const char* kQueueLabel = "com.quillmarker.mcpHubQueue";

}  // namespace

MCPHubManager::MCPHubManager(GraphQueryEngine& graph, const Clock& clock)
    : graph_(graph), clock_(clock), queue_(kQueueLabel)
{
}

void MCPHubManager::registerConnection(std::shared_ptr<MCPConnectionSink> connection, const Uuid& id)
{
    const std::lock_guard guard(lock_);
    activeConnections_.insert_or_assign(id, std::move(connection));
}

void MCPHubManager::unregisterConnection(const Uuid& id)
{
    const std::lock_guard guard(lock_);
    activeConnections_.erase(id);
    subscriberConnections_.erase(id);
}

bool MCPHubManager::subscribe(const Uuid& id)
{
    {
        const std::lock_guard guard(lock_);
        if (!activeConnections_.contains(id)) {
            return false;
        }
        subscriberConnections_.insert(id);
    }
    Log::print("🔌 Client " + id.string() + " successfully subscribed to context broadcasts.");
    return true;
}

void MCPHubManager::broadcastContextChange(const std::string& project, const std::string& suggestion)
{
    queue_.async([this, project, suggestion] {
        std::set<Uuid> subscribers;
        std::map<Uuid, std::shared_ptr<MCPConnectionSink>> connections;
        {
            const std::lock_guard guard(lock_);
            subscribers = subscriberConnections_;
            connections = activeConnections_;
        }
        if (subscribers.empty()) {
            return;
        }
        const nlohmann::json notification = {
            {"jsonrpc", "2.0"},
            {"method", "quillmarker.contextChanged"},
            {"params", {{"project", project}, {"suggestion", suggestion}, {"timestamp", clock_.now()}}},
        };
        // The writer escapes line breaks inside the texts, so this stays one line.
        const std::string line = json::serialize(notification) + "\n";
        for (const Uuid& id : subscribers) {
            const auto connection = connections.find(id);
            if (connection == connections.end()) {
                continue;
            }
            connection->second->send(line, [id](const std::optional<MCPConnectionSink::SendError>& error) {
                // A connection closed meanwhile was unregistered; its close is no send error.
                if (error && !error->connectionClosed) {
                    Log::print("❌ MCP Broadcast Send Error to " + id.string() + ": " + error->description);
                }
            });
        }
    });
}

nlohmann::json MCPHubManager::handleGraphQuery(const std::string& query)
{
    nlohmann::json nodes = nlohmann::json::array();
    for (const auto& node : graph_.searchEntities(query)) {
        nodes.push_back(node.toJson());
    }
    return {{"nodes", std::move(nodes)}};
}

}  // namespace qm
