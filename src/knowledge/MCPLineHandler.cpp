#include "knowledge/MCPLineHandler.h"

#include <string>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Log.h"
#include "base/Text.h"
#include "knowledge/MCPRequestHandler.h"
#include "platform/runtime/ConcurrentQueue.h"

namespace qm {
namespace {

// Whether trimming `line` would leave it as it is: it starts and ends with a
// printable ASCII character. Any other byte may belong to a space, ASCII or
// of another script, and is left to the full trim.
bool startsAndEndsWithoutSpace(std::string_view line)
{
    const auto plain = [](char c) { return c > ' ' && c < 0x7f; };
    return !line.empty() && plain(line.front()) && plain(line.back());
}

}  // namespace

MCPLineHandler::MCPLineHandler(MCPRequestHandler& handler, ConcurrentQueue& queue)
    : handler_(handler), queue_(queue)
{
}

bool MCPLineHandler::handleLine(std::string_view line, const Uuid& connectionId,
                                const std::shared_ptr<MCPConnectionSink>& connection)
{
    // Nearly every line starts and ends with a brace: then there is nothing to
    // trim, and no copy of the line to make.
    std::string trimmedCopy;
    std::string_view trimmed = line;
    if (!startsAndEndsWithoutSpace(line)) {
        trimmedCopy = text::trimmed(line);
        trimmed = trimmedCopy;
    }
    if (trimmed.empty()) {
        return false;
    }
    std::string error;
    auto message = json::parse(trimmed, kMaxDepth, &error);
    // The top level must be an object or an array; an array (a batch) is not taken.
    if (message && !message->is_object() && !message->is_array()) {
        message.reset();
        error = "the top level is neither an object nor an array";
    }
    if (!message) {
        Log::print("❌ Failed to parse JSON-RPC message: " + error);
        return false;
    }
    if (!message->is_object()) {
        return false;
    }

    std::string method = json::stringAt(*message, "method").value_or("");
    nlohmann::json params = nlohmann::json::object();
    if (const auto member = message->find("params"); member != message->end() && member->is_object()) {
        params = std::move(*member);
    }
    std::optional<nlohmann::json> id;
    if (const auto member = message->find("id"); member != message->end()) {
        id = std::move(*member);
    }

    queue_.async([this, method = std::move(method), params = std::move(params), id = std::move(id),
                  connectionId, connection] {
        handler_.handleRequest(method, params, id, connectionId, [connection](nlohmann::json reply) {
            // Invalid UTF-8 cannot come from a parsed request; the writer would replace it anyway.
            std::string bytes = json::serialize(reply);
            bytes += '\n';
            connection->send(std::move(bytes),
                             [](const std::optional<MCPConnectionSink::SendError>& failure) {
                                 if (failure && !failure->connectionClosed) {
                                     Log::print("⚠️ Error sending response: " + failure->description);
                                 }
                             });
        });
    });
    return true;
}

}  // namespace qm
