#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "knowledge/MCPServerFixture.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;

// Clients that misbehave; after each, a well-behaved client must still be
// answered, and the misbehaving one gone from the server.
class MCPServerFaultTest : public MCPServerFixture {
protected:
    void SetUp() override
    {
        MCPServerFixture::SetUp();
        start();
    }

    void expectServerStillAnswers()
    {
        auto probe = authenticated();
        probe->send(request("\"probe\""));
        const auto reply = probe->readLine();
        ASSERT_TRUE(reply) << "a live client lost its reply";
        EXPECT_EQ(nlohmann::json::parse(*reply)["id"], "probe");
    }

    void waitForConnections(std::size_t count)
    {
        for (int i = 0; i < 250 && server->connectionCount() != count; ++i) {
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_EQ(server->connectionCount(), count);
    }

    static std::string burst(int count)
    {
        std::string all;
        for (int i = 0; i < count; ++i) {
            all += request(std::to_string(i), "quillmarker.queryGraph");
        }
        return all;
    }
};

TEST_F(MCPServerFaultTest, ResetsInTheMiddleOfRepliesHurtNoOne)
{
    for (int round = 0; round < 20; ++round) {
        auto client = authenticated();
        client->send(burst(500));
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
        client->reset();
    }
    waitForConnections(0);
    expectServerStillAnswers();
}

TEST_F(MCPServerFaultTest, HalfClosedClientStillGetsEveryReply)
{
    auto client = authenticated();
    client->send(burst(300));
    client->endWriting();
    const auto rest = client->readToEnd();
    ASSERT_TRUE(rest);
    EXPECT_EQ(std::count(rest->begin(), rest->end(), '\n'), 300);
    waitForConnections(0);
}

TEST_F(MCPServerFaultTest, SlowReaderGetsEverythingAndSilentOnesDoNotBlockOthers)
{
    MCPTestClient silent(port());
    auto quiet = authenticated();
    auto slow = authenticated();
    slow->send(burst(50));
    std::size_t lines = 0;
    for (; lines < 50; ++lines) {
        std::this_thread::sleep_for(2ms);
        if (!slow->readLine()) {
            break;
        }
    }
    EXPECT_EQ(lines, 50u);
    expectServerStillAnswers();
}

TEST_F(MCPServerFaultTest, EndlessLineIsCutOffAtOneMebibyte)
{
    const Log::Capture log;
    auto client = authenticated();
    const std::string chunk(64 * 1024, '{');
    for (int i = 0; i < 64 && client->send(chunk); ++i) {
    }
    EXPECT_TRUE(client->closedByServer());
    EXPECT_TRUE(log.contains("a line is longer than 1048576 bytes"));
    expectServerStillAnswers();
}

TEST_F(MCPServerFaultTest, DeeplyNestedJsonIsAParseFailureNotACrash)
{
    const Log::Capture log;
    auto client = authenticated();
    client->send(std::string(10000, '[') + std::string(10000, ']') + "\n");
    std::string objects;
    for (int i = 0; i < 10000; ++i) {
        objects += R"({"a":)";
    }
    client->send(objects + "1" + std::string(10000, '}') + "\n" + request("\"after\""));
    const auto reply = client->readLine();
    ASSERT_TRUE(reply);
    EXPECT_EQ(nlohmann::json::parse(*reply)["id"], "after");
    EXPECT_EQ(log.count("Failed to parse JSON-RPC message"), 2u);
}

TEST_F(MCPServerFaultTest, RandomBytesAfterAuthenticationLeaveTheConnectionUsable)
{
    std::mt19937 random(20);
    std::string noise(512 * 1024, '\0');
    for (auto& byte : noise) {
        byte = static_cast<char>(random());
    }
    auto client = authenticated();
    client->send(noise + "\n" + request("\"after\""));
    bool answered = false;
    while (const auto line = client->readLine()) {
        const auto reply = nlohmann::json::parse(*line, nullptr, false);
        if (!reply.is_discarded() && reply.value("id", nlohmann::json()) == "after") {
            answered = true;
            break;
        }
    }
    EXPECT_TRUE(answered);
}

TEST_F(MCPServerFaultTest, TheSixtyFifthConnectionIsTurnedAwayAndTheOthersAreServed)
{
    const Log::Capture log;
    std::vector<std::unique_ptr<MCPTestClient>> clients;
    for (int i = 0; i < 64; ++i) {
        clients.push_back(authenticated());
    }
    waitForConnections(64);
    MCPTestClient extra(port());
    EXPECT_TRUE(extra.closedByServer());
    EXPECT_TRUE(log.contains("MCP connection refused: 64 connections are open"));
    for (std::size_t i = 0; i < clients.size(); ++i) {
        clients[i]->send(request(std::to_string(i)));
    }
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const auto reply = clients[i]->readLine();
        ASSERT_TRUE(reply) << i;
        EXPECT_EQ(nlohmann::json::parse(*reply)["id"], i);
    }
    clients.pop_back();
    waitForConnections(63);
    expectServerStillAnswers();
}

}  // namespace
}  // namespace qm::test
