#include "knowledge/MCPRequestHandler.h"

#include <array>
#include <atomic>
#include <string_view>
#include <utility>

#include "base/Log.h"
#include "knowledge/MCPReply.h"

namespace qm {

struct MCPRequestHandler::Reply::State {
    nlohmann::json envelope;
    ReplyHandler handler;
    std::atomic<bool> sent{false};
};

MCPRequestHandler::Reply::Reply(const std::optional<nlohmann::json>& id, ReplyHandler handler)
    : state_(std::make_shared<State>())
{
    state_->envelope = {{"jsonrpc", "2.0"}};
    if (id) {
        state_->envelope["id"] = *id;
    }
    state_->handler = std::move(handler);
}

void MCPRequestHandler::Reply::result(nlohmann::json result) const
{
    send("result", std::move(result));
}

void MCPRequestHandler::Reply::error(int code, const std::string& message) const
{
    send("error", mcp::errorObject(code, message));
}

void MCPRequestHandler::Reply::send(const char* key, nlohmann::json value) const
{
    if (state_->sent.exchange(true)) {
        return;
    }
    nlohmann::json reply = std::move(state_->envelope);
    reply[key] = std::move(value);
    if (state_->handler) {
        state_->handler(std::move(reply));
    }
}

void MCPRequestHandler::Reply::guard(const std::function<void()>& body) const
{
    try {
        body();
    } catch (const std::exception& failure) {
        Log::print(std::string("❌ MCP request failed: ") + failure.what());
        error(mcp::kInternalError, mcp::kInternalErrorMessage);
    } catch (...) {
        Log::print("❌ MCP request failed");
        error(mcp::kInternalError, mcp::kInternalErrorMessage);
    }
}

MCPRequestHandler::MCPRequestHandler(const Services& services) : services_(services) {}

void MCPRequestHandler::handleRequest(const std::string& method, const nlohmann::json& params,
                                      const std::optional<nlohmann::json>& id,
                                      const std::optional<Uuid>& connectionId, ReplyHandler reply)
{
    // Compared whole and case-sensitively, in this order.
    static constexpr std::array<std::pair<std::string_view, Method>, 10> kMethods = {{
        {"quillmarker.pushContext", &MCPRequestHandler::pushContext},
        {"quillmarker.pushSuggestions", &MCPRequestHandler::pushSuggestions},
        {"quillmarker.pushMemory", &MCPRequestHandler::pushMemory},
        {"quillmarker.queryContext", &MCPRequestHandler::queryContext},
        {"quillmarker.clearSuggestions", &MCPRequestHandler::clearSuggestions},
        {"quillmarker.triggerAI", &MCPRequestHandler::triggerAI},
        {"quillmarker.subscribe", &MCPRequestHandler::subscribe},
        {"quillmarker.queryGraph", &MCPRequestHandler::queryGraph},
        {"quillmarker.pushNode", &MCPRequestHandler::pushNode},
        {"quillmarker.pushEdge", &MCPRequestHandler::pushEdge},
    }};

    std::optional<Reply> answer;
    try {
        answer.emplace(id, std::move(reply));
    } catch (...) {
        // Not even the envelope could be made (out of memory): nothing to answer with.
        Log::print("❌ MCP request failed");
        return;
    }
    answer->guard([&] {
        for (const auto& [name, body] : kMethods) {
            if (name == method) {
                (this->*body)(params, connectionId, *answer);
                return;
            }
        }
        answer->error(mcp::kMethodNotFound, "Method not found: " + method);
    });
}

}  // namespace qm
