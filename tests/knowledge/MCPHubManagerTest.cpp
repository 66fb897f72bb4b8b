#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include "base/Log.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeDatabaseTest.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/RecordingConnection.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class MCPHubManagerTest : public KnowledgeDatabaseTest {
protected:
    // Waits for the broadcasts asked for so far.
    void flush()
    {
        hub.reset();
        hub = std::make_unique<MCPHubManager>(graph, clock);
    }

    GraphQueryEngine graph{*db, clock};
    std::unique_ptr<MCPHubManager> hub = std::make_unique<MCPHubManager>(graph, clock);
    std::shared_ptr<RecordingConnection> first = std::make_shared<RecordingConnection>();
    std::shared_ptr<RecordingConnection> second = std::make_shared<RecordingConnection>();
    const Uuid firstId = Uuid::random();
    const Uuid secondId = Uuid::random();
};

TEST_F(MCPHubManagerTest, ABroadcastIsOneNotificationLinePerSubscriber)
{
    hub->registerConnection(first, firstId);
    hub->registerConnection(second, secondId);
    {
        Log::Capture log;
        EXPECT_TRUE(hub->subscribe(firstId));
        EXPECT_TRUE(hub->subscribe(firstId));
        EXPECT_EQ(
            log.count("🔌 Client " + firstId.string() + " successfully subscribed to context broadcasts."),
            2u);
    }
    clock.set(1'750'000'000.25);
    hub->broadcastContextChange("app", "Back to app:\nopen the \"plan\"");

    const auto lines = first->waitFor(1);
    ASSERT_THAT(lines, ::testing::SizeIs(1)) << "subscribed twice, sent once";
    const std::string& line = lines[0];
    ASSERT_TRUE(line.ends_with("\n"));
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "line breaks inside the texts are escaped";
    EXPECT_EQ(nlohmann::json::parse(line), nlohmann::json::parse(R"({"jsonrpc": "2.0",
        "method": "quillmarker.contextChanged",
        "params": {"project": "app", "suggestion": "Back to app:\nopen the \"plan\"", "timestamp": 1750000000.25}})"));

    flush();
    EXPECT_THAT(second->messages(), IsEmpty()) << "registered, never subscribed";
}

TEST_F(MCPHubManagerTest, ClosedOrUnregisteredConnectionsGetNothing)
{
    {
        Log::Capture log;
        EXPECT_FALSE(hub->subscribe(firstId)) << "not registered";
        EXPECT_FALSE(log.contains("🔌"));
    }
    hub->registerConnection(first, firstId);
    hub->broadcastContextChange("app", "not yet subscribed");
    flush();
    EXPECT_THAT(first->messages(), IsEmpty());

    hub->registerConnection(first, firstId);
    hub->registerConnection(second, secondId);
    ASSERT_TRUE(hub->subscribe(firstId));
    ASSERT_TRUE(hub->subscribe(secondId));
    hub->unregisterConnection(secondId);
    hub->unregisterConnection(secondId);
    // Re-registering under the same id does not bring the subscription back.
    hub->registerConnection(second, secondId);
    hub->broadcastContextChange("app", "hello");
    flush();
    EXPECT_EQ(first->messages().size(), 1u);
    EXPECT_THAT(second->messages(), IsEmpty());
}

TEST_F(MCPHubManagerTest, AFailedSendIsLoggedAndTheSubscriberKept)
{
    hub->registerConnection(first, firstId);
    ASSERT_TRUE(hub->subscribe(firstId));
    first->failSends({"Connection reset by peer"});
    {
        Log::Capture log;
        hub->broadcastContextChange("app", "one");
        first->waitFor(1);
        EXPECT_THAT(log.lines(), ElementsAre("❌ MCP Broadcast Send Error to " + firstId.string() +
                                             ": Connection reset by peer"));
    }
    hub->broadcastContextChange("app", "two");
    EXPECT_EQ(first->waitFor(2).size(), 2u);
}

// A broadcast can leave just before the server closes a connection; that close
// is the server's own doing and no failed send.
TEST_F(MCPHubManagerTest, ASendToAConnectionClosedMeanwhileIsNotAnError)
{
    hub->registerConnection(first, firstId);
    ASSERT_TRUE(hub->subscribe(firstId));
    first->failSends({"the connection is closed", true});
    Log::Capture log;
    hub->broadcastContextChange("app", "one");
    first->waitFor(1);
    EXPECT_THAT(log.lines(), IsEmpty());
}

TEST_F(MCPHubManagerTest, GraphQueryListsTheMatchingNodesInKeyedForm)
{
    ASSERT_TRUE(
        db->saveNode("ada@example.com", "person", "ada", {{"email", "ada@example.com"}}, 10.5, 20.25));
    ASSERT_TRUE(db->saveNode("git", "tool", "git", {}, 1, 2));
    EXPECT_EQ(hub->handleGraphQuery("ADA"), nlohmann::json::parse(R"({"nodes": [{"id": "ada@example.com",
        "type": "person", "name": "ada", "properties": {"email": "ada@example.com"},
        "createdAt": 10.5, "updatedAt": 20.25}]})"));
    EXPECT_EQ(hub->handleGraphQuery("nothing"), nlohmann::json::parse(R"({"nodes": []})"));
    EXPECT_EQ(hub->handleGraphQuery("")["nodes"].size(), 2u);
}

}  // namespace
}  // namespace qm::test
