#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "base/Uuid.h"

namespace qm {

class Accessibility;
class AXUIElement;
class Clock;
class DatabaseManager;
class KnowledgeGraphEngine;
class MCPAIGenerator;
class MCPHubManager;
class MCPMemorySealer;
class MCPSuggestionQueue;
class Workspace;

// Turns one JSON-RPC request of the "quillmarker." namespace, already read and
// authenticated, into its reply: {"jsonrpc": "2.0", "id": <as received, when
// there was one>, and "result" or "error"}. It keeps nothing between requests.
//
// Requests may be handled on any threads at once. Most answer before
// handleRequest returns; "quillmarker.triggerAI" answers when the AI engine
// does, and "quillmarker.pushNode" and "quillmarker.pushEdge" once the graph
// queue has written them.
class MCPRequestHandler {
public:
    using ReplyHandler = std::function<void(nlohmann::json reply)>;

    // Everything the methods reach; each must outlive the handler.
    struct Services {
        DatabaseManager& database;
        Workspace& workspace;
        Accessibility& accessibility;
        MCPMemorySealer& memorySealer;
        MCPAIGenerator& aiGenerator;
        MCPSuggestionQueue& suggestionQueue;
        MCPHubManager& hub;
        KnowledgeGraphEngine& graphEngine;
        const Clock& clock;
    };

    explicit MCPRequestHandler(const Services& services);
    MCPRequestHandler(const MCPRequestHandler&) = delete;
    MCPRequestHandler& operator=(const MCPRequestHandler&) = delete;

    // `method` is the full name ("" when the request named none), `params` the
    // params object (empty when there was none), `id` the request's id member,
    // of any JSON type, or nothing when it had none, and `connectionId` the
    // connection it came on. `reply` receives the reply exactly once, on this
    // thread or, for the methods above, on another one. Never throws: whatever
    // goes wrong inside becomes an error reply.
    void handleRequest(const std::string& method, const nlohmann::json& params,
                       const std::optional<nlohmann::json>& id, const std::optional<Uuid>& connectionId,
                       ReplyHandler reply);

private:
    // Answers one request once; copies share that promise, so an answer that
    // comes late, or a second one after a failure, is never sent twice.
    class Reply {
    public:
        Reply(const std::optional<nlohmann::json>& id, ReplyHandler handler);
        void result(nlohmann::json result) const;
        void error(int code, const std::string& message) const;
        // Runs `body`; anything it throws becomes the internal error.
        void guard(const std::function<void()>& body) const;

    private:
        void send(const char* key, nlohmann::json value) const;
        struct State;
        std::shared_ptr<State> state_;
    };

    using Method = void (MCPRequestHandler::*)(const nlohmann::json& params,
                                               const std::optional<Uuid>& connectionId, const Reply& reply);

    void pushContext(const nlohmann::json& params, const std::optional<Uuid>& connectionId,
                     const Reply& reply);
    void queryContext(const nlohmann::json& params, const std::optional<Uuid>& connectionId,
                      const Reply& reply);
    void pushMemory(const nlohmann::json& params, const std::optional<Uuid>& connectionId,
                    const Reply& reply);
    void pushSuggestions(const nlohmann::json& params, const std::optional<Uuid>& connectionId,
                         const Reply& reply);
    void clearSuggestions(const nlohmann::json& params, const std::optional<Uuid>& connectionId,
                          const Reply& reply);
    void triggerAI(const nlohmann::json& params, const std::optional<Uuid>& connectionId, const Reply& reply);
    void subscribe(const nlohmann::json& params, const std::optional<Uuid>& connectionId, const Reply& reply);
    void queryGraph(const nlohmann::json& params, const std::optional<Uuid>& connectionId,
                    const Reply& reply);
    void pushNode(const nlohmann::json& params, const std::optional<Uuid>& connectionId, const Reply& reply);
    void pushEdge(const nlohmann::json& params, const std::optional<Uuid>& connectionId, const Reply& reply);

    // The pushed context row as an object, or nothing when none was pushed yet.
    std::optional<nlohmann::json> pushedContext();
    // A text attribute of `element`: nothing on error, on no value or on a value of another type.
    static std::optional<std::string> getAttributeString(const AXUIElement& element,
                                                         std::string_view attribute);

    Services services_;
};

}  // namespace qm
