#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "base/Json.h"
#include "base/Log.h"
#include "knowledge/MCPHandlerFixture.h"
#include "knowledge/MCPLineHandler.h"
#include "knowledge/RecordingConnection.h"
#include "platform/runtime/ConcurrentQueue.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class MCPLineHandlerTest : public MCPHandlerFixture {
protected:
    // The replies to `lines`, handed over as one batch, once every line queued
    // has settled: each with exactly one reply or one skipped reply.
    std::vector<nlohmann::json> replies(const std::vector<std::string>& lines)
    {
        std::string batch;
        for (const auto& line : lines) {
            batch += line + "\n";
        }
        const std::size_t before = connection->messages().size();
        const std::size_t settledBefore = before + connection->skipped();
        queued = lineHandler.handleLines(batch, connectionId, connection);
        connection->waitForSettled(settledBefore + queued);
        const auto messages = connection->messages();
        EXPECT_EQ(messages.size() + connection->skipped(), settledBefore + queued)
            << "every line queued settles exactly once";
        std::vector<nlohmann::json> parsed;
        for (std::size_t i = before; i < messages.size(); ++i) {
            const auto& message = messages[i];
            EXPECT_TRUE(message.ends_with("\n"));
            EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line per reply";
            parsed.push_back(nlohmann::json::parse(message));
            EXPECT_EQ(message, json::serialize(parsed.back()) + "\n") << "compact";
        }
        return parsed;
    }

    static std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

    const Uuid connectionId = Uuid::random();
    std::shared_ptr<RecordingConnection> connection = std::make_shared<RecordingConnection>();
    std::size_t queued = 0;
    ConcurrentQueue queue{"com.quillmarker.test.mcpRequests", 1};
    MCPLineHandler lineHandler{handler, queue};
};

TEST_F(MCPLineHandlerTest, EachObjectLineGetsOneReplyWithItsId)
{
    const auto got = replies({
        R"({"jsonrpc": "2.0", "id": 7, "method": "quillmarker.nothing"})",
        R"({"id": "seven", "method": "quillmarker.clearSuggestions", "params": {}})",
        R"({"id": null, "method": 5, "params": [1]})",
        R"({"method": "quillmarker.queryGraph", "params": "not an object"})",
        R"({"id": {"deep": [1, 2]}, "jsonrpc": "1.0", "method": "quillmarker.subscribe"})",
        "  \t{\"id\": 3.5}\r",
    });
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0], nlohmann::json::parse(R"({"jsonrpc": "2.0", "id": 7,
        "error": {"code": -32601, "message": "Method not found: quillmarker.nothing"}})"));
    EXPECT_EQ(got[1]["id"], "seven");
    EXPECT_EQ(got[1]["result"]["content"][0]["text"], "Suggestions cleared successfully.");
    EXPECT_EQ(got[2], nlohmann::json::parse(R"({"jsonrpc": "2.0", "id": null,
        "error": {"code": -32601, "message": "Method not found: "}})"));
    EXPECT_EQ(got[3], nlohmann::json::parse(R"({"jsonrpc": "2.0", "result": {"nodes": []}})"));
    EXPECT_EQ(got[4]["id"], nlohmann::json::parse(R"({"deep": [1, 2]})"));
    EXPECT_EQ(got[4]["result"]["content"][0]["text"], "Subscribed to context broadcasts successfully.")
        << "the handler got the connection's id";
    EXPECT_EQ(got[5], nlohmann::json::parse(R"({"jsonrpc": "2.0", "id": 3.5,
        "error": {"code": -32601, "message": "Method not found: "}})"));
}

TEST_F(MCPLineHandlerTest, LinesThatAreNotRequestsGetNoReply)
{
    Log::Capture log;
    const auto got = replies({
        "",
        "   ",
        "\r",
        R"([{"id": 1, "method": "quillmarker.subscribe"}])",
        "Authorization: Bearer 0123456789abcdef",
        R"({"id": 1, "method": "quillmarker.pushMemory", "params": {"value": "hunter2)",
        "5",
        "\"text\"",
        "{\"id\": \"\xff\"}",
        R"({"id": 1} {"id": 2})",
        R"({"id": "last"})",
    });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["id"], "last");
    // Blank lines cost no task; every other line holds its place until it settles.
    EXPECT_EQ(queued, 8u);
    EXPECT_EQ(connection->skipped(), 7u);

    std::vector<std::string> failures;
    for (const auto& line : log.lines()) {
        if (line.starts_with("❌ Failed to parse JSON-RPC message: ")) {
            failures.push_back(line);
        }
        EXPECT_EQ(line.find("hunter2"), std::string::npos) << line;
        EXPECT_EQ(line.find("0123456789abcdef"), std::string::npos) << line;
    }
    // The bearer line, the cut-off object, two bare values, invalid UTF-8 and trailing content;
    // blank lines and the array say nothing.
    EXPECT_EQ(failures.size(), 6u);
}

TEST_F(MCPLineHandlerTest, NestingDeeperThan128LevelsIsAParseError)
{
    // The request object is level 1; its id adds the rest.
    const std::string deepest = R"({"method": "x", "id": )" + nested(127) + "}";
    Log::Capture log;
    const auto got = replies({R"({"method": "x", "id": )" + nested(128) + "}", deepest});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["id"], nlohmann::json::parse(nested(127)));
    EXPECT_THAT(log.lines(),
                ElementsAre("❌ Failed to parse JSON-RPC message: nesting deeper than 128 levels"));
}

TEST_F(MCPLineHandlerTest, AFailedSendIsLoggedAndOneToAClosedConnectionIsNot)
{
    connection->failSends({"Broken pipe"});
    {
        Log::Capture log;
        replies({R"({"id": 1})"});
        EXPECT_THAT(log.lines(), ElementsAre("⚠️ Error sending response: Broken pipe"));
    }
    // The server closed the connection while the request ran: nobody is left to answer.
    connection->failSends({"the connection is closed", true});
    Log::Capture log;
    replies({R"({"id": 2})"});
    EXPECT_THAT(log.lines(), IsEmpty());
}

}  // namespace
}  // namespace qm::test
