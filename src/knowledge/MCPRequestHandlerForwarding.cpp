// The methods that forward to another engine: the suggestion queue, the AI
// engine, the hub and the graph engine.
#include "knowledge/MCPRequestHandler.h"

#include <exception>
#include <string>
#include <vector>

#include "base/Json.h"
#include "base/Text.h"
#include "knowledge/EntityNode.h"
#include "knowledge/KnowledgeGraphEngine.h"
#include "knowledge/MCPAIGenerator.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/MCPReply.h"
#include "knowledge/MCPSuggestionQueue.h"
#include "knowledge/RelationshipEdge.h"
#include "platform/runtime/Clock.h"

namespace qm {

namespace {

constexpr std::int64_t kDefaultMaxTokens = 1024;

// The array under `key` when every element is of the wanted kind.
const nlohmann::json* arrayOf(const nlohmann::json& params, const char* key,
                              bool (nlohmann::json::*isKind)() const)
{
    const auto* array = json::arrayAt(params, key);
    if (!array) {
        return nullptr;
    }
    for (const auto& element : *array) {
        if (!(element.*isKind)()) {
            return nullptr;
        }
    }
    return array;
}

// Properties are optional: anything but an object of texts counts as none.
std::map<std::string, std::string> propertiesIn(const nlohmann::json& params)
{
    return json::stringMapAt(params, "properties").value_or(std::map<std::string, std::string>{});
}

MCPAIGenerator::Action actionFor(const std::string& action, const std::string& prompt,
                                 const std::string& style, const std::string& language)
{
    using Kind = MCPAIGenerator::Action::Kind;
    const std::string lowered = text::lowercased(action);
    if (lowered == "rewrite") {
        return {Kind::rewrite, style};
    }
    if (lowered == "explain") {
        return {Kind::explain, {}};
    }
    if (lowered == "summarize") {
        return {Kind::summarize, {}};
    }
    if (lowered == "translate") {
        return {Kind::translate, language};
    }
    // "custom", the default, and any other text: the prompt is its own instruction.
    return {Kind::custom, prompt};
}

}  // namespace

void MCPRequestHandler::pushSuggestions(const nlohmann::json& params, const std::optional<Uuid>&,
                                        const Reply& reply)
{
    const auto* suggestions = arrayOf(params, "suggestions", &nlohmann::json::is_object);
    if (!suggestions) {
        reply.error(mcp::kInvalidParams, "Invalid params: 'suggestions' array required");
        return;
    }
    services_.suggestionQueue.push(*suggestions);
    // Every element counts, whatever the queue made of it.
    reply.result(
        mcp::textContent("Pushed " + std::to_string(suggestions->size()) + " suggestions successfully."));
}

void MCPRequestHandler::clearSuggestions(const nlohmann::json& params, const std::optional<Uuid>&,
                                         const Reply& reply)
{
    std::optional<std::vector<std::string>> ids;
    if (const auto* array = arrayOf(params, "ids", &nlohmann::json::is_string)) {
        ids = array->get<std::vector<std::string>>();
    }
    // Without a usable list, everything goes.
    services_.suggestionQueue.clear(ids);
    reply.result(mcp::textContent("Suggestions cleared successfully."));
}

void MCPRequestHandler::triggerAI(const nlohmann::json& params, const std::optional<Uuid>&,
                                  const Reply& reply)
{
    const auto prompt = json::stringAt(params, "prompt");
    if (!prompt) {
        reply.error(mcp::kInvalidParams, "Invalid params: 'prompt' string required");
        return;
    }
    const std::string action = json::stringAt(params, "action").value_or("custom");
    const std::string style = json::stringAt(params, "style").value_or("professional");
    const std::string language = json::stringAt(params, "language").value_or("English");
    const std::int64_t maxTokens = json::integerAt(params, "maxTokens").value_or(kDefaultMaxTokens);

    services_.aiGenerator.generateAIResponse(
        *prompt, actionFor(action, *prompt, style, language), maxTokens,
        [reply](MCPAIGenerator::Result result) {
            reply.guard([&] {
                if (!result.answer) {
                    try {
                        std::rethrow_exception(result.error);
                    } catch (const std::exception& failure) {
                        reply.error(mcp::kOperationFailed,
                                    std::string("AI Generation error: ") + failure.what());
                    }
                    return;
                }
                reply.result({{"text", result.answer->text},
                              {"provider", result.answer->provider},
                              {"model", result.answer->model},
                              {"estimatedTokens", result.answer->estimatedTokens}});
            });
        });
}

void MCPRequestHandler::subscribe(const nlohmann::json&, const std::optional<Uuid>& connectionId,
                                  const Reply& reply)
{
    if (!connectionId) {
        reply.error(mcp::kOperationFailed, "Connection ID context missing for subscription");
        return;
    }
    // A connection that has closed meanwhile is not recorded; its reply goes nowhere anyway.
    services_.hub.subscribe(*connectionId);
    reply.result(mcp::textContent("Subscribed to context broadcasts successfully."));
}

void MCPRequestHandler::queryGraph(const nlohmann::json& params, const std::optional<Uuid>&,
                                   const Reply& reply)
{
    reply.result(services_.hub.handleGraphQuery(json::stringAt(params, "query").value_or("")));
}

void MCPRequestHandler::pushNode(const nlohmann::json& params, const std::optional<Uuid>&, const Reply& reply)
{
    const auto id = json::stringAt(params, "id");
    const auto type = json::stringAt(params, "type");
    const auto name = json::stringAt(params, "name");
    const auto kind = type ? entityTypeFromRawValue(*type) : std::nullopt;
    if (!id || !kind || !name) {
        reply.error(mcp::kInvalidParams, "Invalid params: 'id', 'type', and 'name' are required");
        return;
    }
    const double now = services_.clock.now();
    // Answered once the graph queue has written it, after every write submitted before.
    services_.graphEngine.pushProgrammaticNode(
        EntityNode(*id, *kind, *name, propertiesIn(params), now, now), [reply](bool stored) {
            reply.guard([&] {
                if (!stored) {
                    reply.error(mcp::kOperationFailed, "Failed to store node");
                    return;
                }
                reply.result({{"success", true}});
            });
        });
}

void MCPRequestHandler::pushEdge(const nlohmann::json& params, const std::optional<Uuid>&, const Reply& reply)
{
    const auto id = json::stringAt(params, "id");
    const auto source = json::stringAt(params, "source");
    const auto target = json::stringAt(params, "target");
    const auto relationship = json::stringAt(params, "relationship");
    if (!id || !source || !target || !relationship) {
        reply.error(mcp::kInvalidParams,
                    "Invalid params: 'id', 'source', 'target', and 'relationship' are required");
        return;
    }
    // An end without a node is refused by the database's foreign keys, and said so.
    services_.graphEngine.pushProgrammaticEdge(
        RelationshipEdge(*id, *source, *target, *relationship, propertiesIn(params), services_.clock.now()),
        [reply](bool stored) {
            reply.guard([&] {
                if (!stored) {
                    reply.error(mcp::kOperationFailed, "Failed to store edge");
                    return;
                }
                reply.result({{"success", true}});
            });
        });
}

}  // namespace qm
