#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeDatabaseTest.h"
#include "knowledge/KnowledgeGraphEngine.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/MCPRequestHandler.h"
#include "knowledge/MCPSuggestionQueue.h"
#include "knowledge/MCPTestDoubles.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm::test {

// The request handler over a real database, the stand-in desktop and the real
// queue, hub and graph engines; the sealer and the AI engine are test doubles.
class MCPHandlerFixture : public KnowledgeDatabaseTest {
protected:
    // The whole reply to one request; fails the test when none comes within five seconds.
    nlohmann::json call(const std::string& method, const nlohmann::json& params = nlohmann::json::object(),
                        const std::optional<nlohmann::json>& id = nlohmann::json(1),
                        const std::optional<Uuid>& connectionId = std::nullopt)
    {
        auto future = start(method, params, id, connectionId);
        if (future.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << method << " never answered";
            return nullptr;
        }
        return future.get();
    }

    // Sends the request and hands back its reply to come.
    std::future<nlohmann::json> start(const std::string& method, const nlohmann::json& params,
                                      const std::optional<nlohmann::json>& id = nlohmann::json(1),
                                      const std::optional<Uuid>& connectionId = std::nullopt)
    {
        auto reply = std::make_shared<std::promise<nlohmann::json>>();
        auto future = reply->get_future();
        handler.handleRequest(method, params, id, connectionId,
                              [reply](nlohmann::json answer) { reply->set_value(std::move(answer)); });
        return future;
    }

    // The sentence of a text-content result, or "<not text content>".
    static std::string sentence(const nlohmann::json& reply)
    {
        const auto& content = reply.value(nlohmann::json::json_pointer("/result/content"), nlohmann::json());
        if (!content.is_array() || content.size() != 1 || content[0].size() != 2 ||
            content[0]["type"] != "text") {
            return "<not text content>";
        }
        return content[0]["text"];
    }

    static nlohmann::json error(int code, const std::string& message)
    {
        return {{"jsonrpc", "2.0"}, {"id", 1}, {"error", {{"code", code}, {"message", message}}}};
    }

    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    TestMemorySealer sealer;
    TestAIGenerator ai;
    MCPSuggestionQueue suggestions{clock};
    GraphQueryEngine graph{*db, clock};
    MCPHubManager hub{graph, clock};
    KnowledgeGraphEngine graphEngine{*db, clock, "/home"};
    MCPRequestHandler handler{{*db, desktop.workspace(), desktop.accessibility(), sealer, ai, suggestions,
                               hub, graphEngine, clock}};
};

}  // namespace qm::test
