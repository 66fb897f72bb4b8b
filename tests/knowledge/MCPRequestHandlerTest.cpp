#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "base/Log.h"
#include "knowledge/MCPHandlerFixture.h"

namespace qm::test {
namespace {

using MCPRequestHandlerTest = MCPHandlerFixture;

TEST_F(MCPRequestHandlerTest, TheIdComesBackExactlyAsReceivedOrNotAtAll)
{
    const std::vector<std::optional<nlohmann::json>> ids = {
        nlohmann::json(7),
        nlohmann::json(-3),
        nlohmann::json(2.5),
        nlohmann::json("abc"),
        nlohmann::json(""),
        nlohmann::json(nullptr),
        nlohmann::json::parse(R"({"session": [1, {"n": null}]})"),
        nlohmann::json::array(),
        nlohmann::json(true),
        std::nullopt,
    };
    for (const auto& id : ids) {
        SCOPED_TRACE(id ? id->dump() : "absent");
        for (const char* method : {"quillmarker.nothing", "quillmarker.clearSuggestions"}) {
            const auto reply = call(method, nlohmann::json::object(), id);
            EXPECT_EQ(reply["jsonrpc"], "2.0");
            EXPECT_EQ(reply.contains("id"), id.has_value());
            if (id) {
                EXPECT_EQ(reply["id"], *id);
                EXPECT_EQ(reply["id"].type(), id->type());
            }
            EXPECT_EQ(reply.size(), id ? 3u : 2u) << "exactly one of result and error";
            EXPECT_NE(reply.contains("result"), reply.contains("error"));
        }
    }
}

TEST_F(MCPRequestHandlerTest, OnlyTheExactNamesAreMethods)
{
    const auto reply = call("quillmarker.unknown", nlohmann::json::object(), nlohmann::json(7));
    EXPECT_EQ(reply, nlohmann::json::parse(R"({"jsonrpc": "2.0", "id": 7,
        "error": {"code": -32601, "message": "Method not found: quillmarker.unknown"}})"));

    for (const std::string method :
         {"quillmarker.PushContext", "quillmarker.pushContext ", " quillmarker.pushContext", "pushContext",
          "quillmarker.", "quillmarker.pushContextX", ""}) {
        EXPECT_EQ(call(method), error(-32601, "Method not found: " + method)) << method;
    }
}

TEST_F(MCPRequestHandlerTest, WhateverThrowsInsideIsAnsweredOnceAsAnInternalError)
{
    const auto internal = error(-32603, "Internal error");
    sealer.throws = true;
    EXPECT_EQ(call("quillmarker.pushMemory", {{"key", "k"}, {"value", "v"}, {"context", "c"}}), internal);
    EXPECT_EQ(db->fetchAllMCPKnowledge().size(), 0u);

    ai.throwsBefore = true;
    EXPECT_EQ(call("quillmarker.triggerAI", {{"prompt", "hi"}}), internal);

    // An answer already given stands: the failure after it sends nothing more.
    ai.throwsBefore = false;
    ai.throwsAfter = true;
    int replies = 0;
    nlohmann::json last;
    handler.handleRequest("quillmarker.triggerAI", {{"prompt", "hi"}}, nlohmann::json(1), std::nullopt,
                          [&](nlohmann::json reply) {
                              ++replies;
                              last = std::move(reply);
                          });
    EXPECT_EQ(replies, 1);
    EXPECT_EQ(last["result"]["text"], "Bonjour");

    // A reply handler that throws is not called again with an error.
    replies = 0;
    handler.handleRequest("quillmarker.clearSuggestions", nlohmann::json::object(), std::nullopt,
                          std::nullopt, [&](nlohmann::json) {
                              ++replies;
                              throw std::runtime_error("sink exploded");
                          });
    EXPECT_EQ(replies, 1);
}

}  // namespace
}  // namespace qm::test
