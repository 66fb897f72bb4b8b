#include <chrono>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "base/Log.h"
#include "base/PlatformError.h"
#include "knowledge/MCPHandlerFixture.h"
#include "knowledge/RecordingConnection.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = MCPAIGenerator::Action::Kind;
using MCPForwardingMethodsTest = MCPHandlerFixture;

std::vector<std::string> titlesIn(MCPSuggestionQueue& queue)
{
    std::vector<std::string> titles;
    for (const auto& suggestion : queue.getActiveSuggestions()) {
        titles.push_back(suggestion.title);
    }
    return titles;
}

TEST_F(MCPForwardingMethodsTest, PushedSuggestionsAreQueuedWhenEveryElementIsAnObject)
{
    const auto invalid = error(-32602, "Invalid params: 'suggestions' array required");
    for (const auto& params : std::vector<nlohmann::json>{
             nlohmann::json::object(),
             {{"suggestions", {{"title", "a"}, {"actionText", "b"}}}},  // an object, not an array
             nlohmann::json::parse(R"({"suggestions": [{"title": "a", "actionText": "b"}, 5]})"),
             nlohmann::json::parse(R"({"suggestions": "[]"})"),
         }) {
        EXPECT_EQ(call("quillmarker.pushSuggestions", params), invalid) << params.dump();
    }
    EXPECT_THAT(titlesIn(suggestions), IsEmpty());

    EXPECT_EQ(sentence(call("quillmarker.pushSuggestions", nlohmann::json::parse(R"({"suggestions": []})"))),
              "Pushed 0 suggestions successfully.");
    // Every element counts in the sentence, also the one the queue skips.
    EXPECT_EQ(sentence(call("quillmarker.pushSuggestions", nlohmann::json::parse(R"({"suggestions": [
                  {"title": "Open the plan", "actionText": "open plan.md"}, {"title": "no action"}]})"))),
              "Pushed 2 suggestions successfully.");
    EXPECT_THAT(titlesIn(suggestions), ElementsAre("Open the plan"));
}

TEST_F(MCPForwardingMethodsTest, ClearingTakesAListOfIdsOrEverything)
{
    const auto push = [&] {
        call("quillmarker.pushSuggestions", nlohmann::json::parse(R"({"suggestions": [
            {"title": "a", "actionText": "x"}, {"title": "b", "actionText": "x"}]})"));
        return suggestions.getActiveSuggestions();
    };
    const auto held = push();
    EXPECT_EQ(sentence(call("quillmarker.clearSuggestions", {{"ids", {held[0].id.string()}}})),
              "Suggestions cleared successfully.");
    EXPECT_THAT(titlesIn(suggestions), ElementsAre("b"));

    for (const auto& params : std::vector<nlohmann::json>{
             nlohmann::json::object(),
             {{"ids", held[1].id.string()}},  // a single text is no list: everything goes
             nlohmann::json::parse(R"({"ids": ["x", 5]})"),
         }) {
        push();
        EXPECT_EQ(sentence(call("quillmarker.clearSuggestions", params)),
                  "Suggestions cleared successfully.");
        EXPECT_THAT(titlesIn(suggestions), IsEmpty()) << params.dump();
    }
}

TEST_F(MCPForwardingMethodsTest, TheAIActionAndLimitComeFromTheParameters)
{
    struct Case {
        nlohmann::json params;
        MCPAIGenerator::Action action;
        std::int64_t maxTokens;
    };
    const std::vector<Case> cases = {
        {{{"prompt", "Hello"}}, {Kind::custom, "Hello"}, 1024},
        {{{"prompt", "Hello"}, {"action", "TrAnSlAtE"}}, {Kind::translate, "English"}, 1024},
        {{{"prompt", "Hello"}, {"action", "translate"}, {"language", "French"}, {"maxTokens", 200}},
         {Kind::translate, "French"},
         200},
        {{{"prompt", "Hello"}, {"action", "Rewrite"}}, {Kind::rewrite, "professional"}, 1024},
        {{{"prompt", "Hello"}, {"action", "rewrite"}, {"style", "casual"}, {"language", "German"}},
         {Kind::rewrite, "casual"},
         1024},
        {{{"prompt", "Hello"}, {"action", "EXPLAIN"}, {"maxTokens", "500"}}, {Kind::explain, ""}, 1024},
        {{{"prompt", "Hello"}, {"action", "summarize"}, {"maxTokens", 64.0}}, {Kind::summarize, ""}, 64},
        {{{"prompt", "Hello"}, {"action", "summarise"}, {"maxTokens", -5}}, {Kind::custom, "Hello"}, -5},
        {{{"prompt", ""}, {"action", 3}, {"maxTokens", 2.5}}, {Kind::custom, ""}, 1024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.params.dump());
        ai.calls.clear();
        EXPECT_EQ(call("quillmarker.triggerAI", c.params),
                  nlohmann::json::parse(R"({"jsonrpc": "2.0", "id": 1, "result": {"text": "Bonjour",
                      "provider": "OpenAI", "model": "gpt-4o-mini", "estimatedTokens": 12}})"));
        ASSERT_EQ(ai.calls.size(), 1u);
        EXPECT_EQ(ai.calls[0].prompt, c.params["prompt"]);
        EXPECT_EQ(ai.calls[0].action, c.action);
        EXPECT_EQ(ai.calls[0].maxTokens, c.maxTokens);
    }

    ai.calls.clear();
    for (const auto& params :
         {nlohmann::json::object(), nlohmann::json{{"prompt", 5}}, nlohmann::json{{"text", "x"}}}) {
        EXPECT_EQ(call("quillmarker.triggerAI", params),
                  error(-32602, "Invalid params: 'prompt' string required"));
    }
    EXPECT_THAT(ai.calls, IsEmpty());

    ai.next = {std::nullopt, std::make_exception_ptr(PlatformError(
                                 "AISuggestionEngine", 1, "No API key for Anthropic. Add one in Settings."))};
    EXPECT_EQ(call("quillmarker.triggerAI", {{"prompt", "x"}}),
              error(-32000, "AI Generation error: No API key for Anthropic. Add one in Settings."));
}

TEST_F(MCPForwardingMethodsTest, AnAIReplyWaitsForTheEngineWithoutHoldingUpOtherRequests)
{
    ai.deferred = true;
    auto answer = start("quillmarker.triggerAI", {{"prompt", "slow"}}, nlohmann::json("ai"));
    EXPECT_EQ(answer.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    EXPECT_EQ(sentence(call("quillmarker.clearSuggestions")), "Suggestions cleared successfully.");
    std::thread([&] { ai.answerPending(); }).join();
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const auto reply = answer.get();
    EXPECT_EQ(reply["id"], "ai");
    EXPECT_EQ(reply["result"]["text"], "Bonjour");
}

TEST_F(MCPForwardingMethodsTest, SubscribingNeedsTheCallersConnection)
{
    EXPECT_EQ(call("quillmarker.subscribe"), error(-32000, "Connection ID context missing for subscription"));

    auto connection = std::make_shared<RecordingConnection>();
    const Uuid id = Uuid::random();
    hub.registerConnection(connection, id);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(sentence(call("quillmarker.subscribe", nlohmann::json::object(), nlohmann::json(1), id)),
                  "Subscribed to context broadcasts successfully.");
    }
    hub.broadcastContextChange("app", "Back to app");
    const auto lines = connection->waitFor(1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(lines[0])["params"]["project"], "app");
}

TEST_F(MCPForwardingMethodsTest, QueryGraphReturnsTheHubsNodes)
{
    ASSERT_TRUE(db->saveNode("app", "project", "Quillmarker", {{"path", "/home/ada/app"}}, 1, 2));
    ASSERT_TRUE(db->saveNode("git", "tool", "git", {}, 3, 4));
    EXPECT_EQ(call("quillmarker.queryGraph", {{"query", "QUILL"}}),
              nlohmann::json::parse(R"({"jsonrpc": "2.0", "id": 1, "result": {"nodes": [{"id": "app",
                  "type": "project", "name": "Quillmarker", "properties": {"path": "/home/ada/app"},
                  "createdAt": 1.0, "updatedAt": 2.0}]}})"));
    for (const auto& params : {nlohmann::json::object(), nlohmann::json{{"query", 7}}}) {
        EXPECT_EQ(call("quillmarker.queryGraph", params)["result"], hub.handleGraphQuery(""))
            << params.dump();
    }
}

TEST_F(MCPForwardingMethodsTest, PushedNodesAreStoredBeforeTheReply)
{
    const auto invalid = error(-32602, "Invalid params: 'id', 'type', and 'name' are required");
    for (const auto& params : std::vector<nlohmann::json>{
             {{"type", "person"}, {"name", "Ada"}},
             {{"id", "ada"}, {"name", "Ada"}},
             {{"id", "ada"}, {"type", "person"}},
             {{"id", "ada"}, {"type", "Person"}, {"name", "Ada"}},
             {{"id", "ada"}, {"type", "people"}, {"name", "Ada"}},
             {{"id", 1}, {"type", "person"}, {"name", "Ada"}},
         }) {
        EXPECT_EQ(call("quillmarker.pushNode", params), invalid) << params.dump();
    }
    EXPECT_THAT(nodeIds(), IsEmpty());

    const nlohmann::json success = {{"jsonrpc", "2.0"}, {"id", 1}, {"result", {{"success", true}}}};
    clock.set(1'750'000'000.75);
    EXPECT_EQ(
        call("quillmarker.pushNode",
             {{"id", "ada"}, {"type", "person"}, {"name", "Ada"}, {"properties", {{"email", "a@b.c"}}}}),
        success);
    EXPECT_EQ(call("quillmarker.pushNode",
                   {{"id", "git"}, {"type", "tool"}, {"name", "git"}, {"properties", {{"since", 2020}}}}),
              success);
    const auto nodes = db->fetchNodes();
    ASSERT_EQ(nodes.size(), 2u);
    for (const auto& row : nodes) {
        EXPECT_EQ(std::get<double>(row.at("created_at")), 1'750'000'000.75);
        EXPECT_EQ(std::get<double>(row.at("updated_at")), 1'750'000'000.75);
        const auto& properties = std::get<DatabaseManager::StringMap>(row.at("properties"));
        if (std::get<std::string>(row.at("id")) == "ada") {
            EXPECT_EQ(properties, (DatabaseManager::StringMap{{"email", "a@b.c"}}));
        } else {
            EXPECT_TRUE(properties.empty()) << "a number among the properties drops them all";
        }
    }

    ASSERT_TRUE(db->executeNonQuery(
        "CREATE TRIGGER refuse BEFORE INSERT ON kg_nodes BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    Log::Capture log;
    EXPECT_EQ(call("quillmarker.pushNode", {{"id", "bob"}, {"type", "person"}, {"name", "Bob"}}),
              error(-32000, "Failed to store node"));
    EXPECT_TRUE(log.contains("❌ SQLite Error Node Save: refused"));
}

TEST_F(MCPForwardingMethodsTest, AnEdgeWhoseEndHasNoNodeIsRefused)
{
    const auto invalid =
        error(-32602, "Invalid params: 'id', 'source', 'target', and 'relationship' are required");
    for (const auto& params : std::vector<nlohmann::json>{
             {{"source", "a"}, {"target", "b"}, {"relationship", "r"}},
             {{"id", "e"}, {"target", "b"}, {"relationship", "r"}},
             {{"id", "e"}, {"source", "a"}, {"relationship", "r"}},
             {{"id", "e"}, {"source", "a"}, {"target", "b"}},
             {{"id", "e"}, {"source", "a"}, {"target", "b"}, {"relationship", nullptr}},
         }) {
        EXPECT_EQ(call("quillmarker.pushEdge", params), invalid) << params.dump();
    }

    const nlohmann::json edge = {{"id", "e1"},
                                 {"source", "ada"},
                                 {"target", "app"},
                                 {"relationship", "works_on"},
                                 {"properties", {{"role", "lead"}}}};
    {
        Log::Capture log;
        EXPECT_EQ(call("quillmarker.pushEdge", edge), error(-32000, "Failed to store edge"));
        EXPECT_TRUE(log.contains("❌ SQLite Error Edge Save: FOREIGN KEY constraint failed"));
    }
    EXPECT_THAT(edgeIds(), IsEmpty());

    // The node pushes are answered after their writes, so the edge that follows finds them.
    call("quillmarker.pushNode", {{"id", "ada"}, {"type", "person"}, {"name", "Ada"}});
    call("quillmarker.pushNode", {{"id", "app"}, {"type", "project"}, {"name", "App"}});
    EXPECT_EQ(call("quillmarker.pushEdge", edge),
              (nlohmann::json{{"jsonrpc", "2.0"}, {"id", 1}, {"result", {{"success", true}}}}));
    const auto edges = db->fetchEdges();
    ASSERT_EQ(edges.size(), 1u);
    EXPECT_EQ(std::get<DatabaseManager::StringMap>(edges[0].at("properties")),
              (DatabaseManager::StringMap{{"role", "lead"}}));
    EXPECT_EQ(std::get<double>(edges[0].at("created_at")), clock.now());
}

}  // namespace
}  // namespace qm::test
