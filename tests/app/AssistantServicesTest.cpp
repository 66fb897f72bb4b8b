#include "app/AssistantServices.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "knowledge/MCPServer.h"
#include "knowledge/MCPTestClient.h"
#include "knowledge/SecondBrainIndexer.h"
#include "platform/network/HttpStreamClient.h"
#include "platform/sim/notifications/SimDistributedNotificationCenter.h"
#include "store/KeychainHelper.h"
#include "suggestions/AIServiceProfile.h"
#include "support/FakeStreamServer.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

// The assistant as the program composes it: the tool server follows the
// cross-process toggle, and its token is the one kept in the secret store.
TEST(AssistantServicesTest, TheToolServerFollowsTheToggleFromAnotherProcess)
{
    StandInApp rig;
    AppComposition::Options options;
    options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
    options.backgroundThreads = 1;
    options.withAssistant = true;
    options.mcpPort = 0;
    AppComposition& app = rig.compose(rig.bundle(), std::move(options));
    ASSERT_NE(app.assistant(), nullptr);
    MCPServer& server = app.assistant()->mcpServer();
    EXPECT_FALSE(server.port()) << "built stopped";

    // Another process of the same desktop posts the toggle.
    SimDistributedNotificationCenter other(rig.platform.loop, rig.platform.distributedNotifications);
    other.postNotification("com.quillmarker.mcp.toggle", std::string("true"), {});
    rig.platform.loop.runUntilIdle();
    EXPECT_TRUE(server.port());
    EXPECT_TRUE(app.secrets().load(KeychainHelper::service, "mcp_token"))
        << "a tool reads the token before its first connection";
    other.postNotification("com.quillmarker.mcp.toggle", std::string("false"), {});
    rig.platform.loop.runUntilIdle();
    EXPECT_FALSE(server.port());

    // The note index lives with the program's other files.
    EXPECT_TRUE(std::filesystem::exists(rig.support / "com.quillmarker.app" / "QuillmarkerKnowledge.db"));

    const auto token = MCPServer::getOrCreateMCPToken(app.secrets());
    ASSERT_TRUE(token);
    EXPECT_EQ(app.secrets().load(KeychainHelper::service, "mcp_token"), token);
}

// The program's own HTTP client, with the local model service's address
// pointing at a fake one on another port of 127.0.0.1.
class RedirectedStreams final : public HttpStreamClient {
public:
    RedirectedStreams(HttpStreamClient& real, std::string target) : real_(real), target_(std::move(target)) {}

    std::optional<PlatformError> perform(const HttpRequest& request, const CancellationToken& cancel,
                                         HttpStreamReceiver& receiver) override
    {
        HttpRequest moved = request;
        const std::string_view from = AIServiceProfile::kOllamaEndpoint;
        if (moved.url.starts_with(from)) {
            moved.url = target_ + moved.url.substr(from.size());
        }
        return real_.perform(moved, cancel, receiver);
    }

private:
    HttpStreamClient& real_;
    std::string target_;
};

// The composed tool server with the local model service as the AI provider,
// a fake one that answers after `kModelDelay`.
class AssistantToolServerTest : public ::testing::Test {
protected:
    static constexpr double kModelDelay = 2.0;

    void SetUp() override
    {
        FakeReply slow = FakeReply::whole(200, R"({"message": {"content": "Bonjour"}})");
        slow.stallSeconds = kModelDelay;
        model.reply("/api/chat", slow);
        PlatformBundle bundle = rig.bundle();
        bundle.httpStreams = streams;
        rig.platform.defaults.set("aiProvider", std::string("ollama"));
        auto options = StandInApp::quietOptions();
        options.withAssistant = true;
        options.mcpPort = 0;
        app = &rig.compose(std::move(bundle), std::move(options));
        server().start();
        ASSERT_TRUE(server().port());
    }

    MCPServer& server() { return app->assistant()->mcpServer(); }

    std::unique_ptr<MCPTestClient> connect()
    {
        auto client = std::make_unique<MCPTestClient>(*server().port());
        client->send("Authorization: Bearer " + MCPServer::getOrCreateMCPToken(app->secrets()).value() +
                     "\n");
        return client;
    }

    static std::string request(int id, const std::string& method, const nlohmann::json& params)
    {
        return nlohmann::json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}}.dump() +
               "\n";
    }

    // Waits up to two seconds for the model service to have been asked `count` times.
    bool waitForModelRequests(std::size_t count)
    {
        for (int i = 0; i < 200 && model.requestCount() < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return model.requestCount() >= count;
    }

    FakeStreamServer model;
    StandInApp rig;
    RedirectedStreams streams{rig.platform.httpStreams, model.baseUrl()};
    AppComposition* app = nullptr;
};

TEST_F(AssistantToolServerTest, PendingAIRequestsHoldUpNoOtherRequest)
{
    auto asking = connect();
    for (int i = 0; i < 5; ++i) {
        asking->send(request(i, "quillmarker.triggerAI", {{"prompt", "Hello " + std::to_string(i)}}));
    }
    EXPECT_TRUE(waitForModelRequests(5))
        << "only " << model.requestCount() << " AI requests went out at once";

    auto querying = connect();
    const auto sent = std::chrono::steady_clock::now();
    querying->send(request(10, "quillmarker.queryGraph", {{"query", "anything"}}));
    const auto reply = querying->readLine();
    const auto waited = std::chrono::steady_clock::now() - sent;
    ASSERT_TRUE(reply);
    EXPECT_EQ(nlohmann::json::parse(*reply)["id"], 10);
    EXPECT_LT(waited, std::chrono::milliseconds(50));

    for (int i = 0; i < 5; ++i) {
        const auto answer = asking->readLine(std::chrono::seconds(10));
        ASSERT_TRUE(answer) << "AI reply " << i;
        EXPECT_EQ(nlohmann::json::parse(*answer)["result"]["text"], "Bonjour");
    }
}

TEST_F(AssistantToolServerTest, MaxTokensReachTheModelServiceUnchanged)
{
    model.reply("/api/chat", FakeReply::whole(200, R"({"message": {"content": "Bonjour"}})"));
    auto client = connect();
    const int asked[] = {0, -5, 200, 100000};
    for (int i = 0; i < 4; ++i) {
        client->send(request(i, "quillmarker.triggerAI",
                             {{"prompt", "Hello " + std::to_string(i)}, {"maxTokens", asked[i]}}));
        ASSERT_TRUE(client->readLine());
    }
    const auto requests = model.requests();
    ASSERT_EQ(requests.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(nlohmann::json::parse(requests[static_cast<std::size_t>(i)].body)["options"]["num_predict"],
                  asked[i]);
    }
}

}  // namespace
}  // namespace qm::test
