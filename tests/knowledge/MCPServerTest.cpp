#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>

#include "base/Log.h"
#include "knowledge/MCPServerFixture.h"
#include "store/KeychainHelper.h"
#include "support/TempDir.h"

namespace qm::test {
namespace {

using namespace std::chrono_literals;

class MCPServerTest : public MCPServerFixture {
protected:
    // The ids of `count` reply lines, each checked to be one compact JSON line.
    std::multiset<std::string> replyIds(MCPTestClient& client, std::size_t count)
    {
        std::multiset<std::string> ids;
        for (std::size_t i = 0; i < count; ++i) {
            const auto line = client.readLine();
            if (!line) {
                ADD_FAILURE() << "reply " << i << " of " << count << " never came";
                break;
            }
            const auto reply = nlohmann::json::parse(*line);
            ids.insert(reply.contains("id") ? reply["id"].dump() : "<none>");
        }
        return ids;
    }
};

TEST_F(MCPServerTest, RefusalIsTheFixedNinetySixBytes)
{
    EXPECT_EQ(MCPServer::kRefusal.size(), 96u);
}

struct AuthCase {
    const char* name;
    std::string firstBytes;
    bool accepted;
};

class MCPServerAuthTest : public MCPServerTest, public ::testing::WithParamInterface<AuthCase> {};

TEST_P(MCPServerAuthTest, AcceptsOnlyTheExactBearerLine)
{
    start();
    const Log::Capture log;
    MCPTestClient client(port());
    ASSERT_TRUE(client.connected());
    client.send(GetParam().firstBytes);
    if (GetParam().accepted) {
        // Apart, so a line without its end is judged on its own.
        std::this_thread::sleep_for(50ms);
        client.send(request("\"after\""));
        const auto reply = client.readLine();
        ASSERT_TRUE(reply);
        EXPECT_EQ(nlohmann::json::parse(*reply)["id"], "after");
    } else {
        EXPECT_EQ(client.readToEnd(), std::string(MCPServer::kRefusal));
    }
    EXPECT_FALSE(log.contains("successfully subscribed")) << "no method may run before authentication";
}

const std::string bearer = "Authorization: Bearer ";

INSTANTIATE_TEST_SUITE_P(
    Variants, MCPServerAuthTest,
    ::testing::Values(
        AuthCase{"LineFeed", bearer + MCPServerFixture::token + "\n", true},
        AuthCase{"CarriageReturnLineFeed", bearer + MCPServerFixture::token + "\r\n", true},
        AuthCase{"NoLineEnd", bearer + MCPServerFixture::token, true},
        AuthCase{"SurroundingBlanks", "  \t" + bearer + MCPServerFixture::token + " \r\n", true},
        AuthCase{"LowerCase", "authorization: bearer " + MCPServerFixture::token + "\n", false},
        AuthCase{"DoubledSpace", "Authorization:  Bearer " + MCPServerFixture::token + "\n", false},
        AuthCase{"ShorterToken", bearer + MCPServerFixture::token.substr(1) + "\n", false},
        AuthCase{"LongerToken", bearer + MCPServerFixture::token + "0\n", false},
        AuthCase{"LastDigitWrong", bearer + MCPServerFixture::token.substr(0, 63) + "e\n", false},
        AuthCase{"NoToken", bearer + "\n", false}, AuthCase{"EmptyLine", "\n", false},
        AuthCase{"RequestFirst",
                 R"({"id": 1, "method": "quillmarker.subscribe"})"
                 "\n" +
                     bearer + MCPServerFixture::token + "\n",
                 false},
        AuthCase{"InvalidUtf8", bearer + "\xff\xfe" + MCPServerFixture::token + "\n", false},
        AuthCase{"BrowserPost",
                 "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                 "Content-Length: 41\r\n\r\n"
                 R"({"id": 1, "method": "quillmarker.subscribe"})",
                 false},
        AuthCase{"BrowserGet", "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", false},
        AuthCase{"OverlongWithoutLineEnd", std::string(1024, 'A'), false}),
    [](const auto& info) { return std::string(info.param.name); });

// The whole conversation split in two writes at every byte: the authentication
// line, a request whose id holds two-, three- and four-byte characters, and a
// second request; both come back whatever the cut.
TEST_F(MCPServerTest, FramingHoldsAtEveryByteBoundary)
{
    start();
    const std::string stream = bearer + token + "\r\n" + request("\"ñ€😀\"") + "\r\n" + request("2");
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        MCPTestClient client(port());
        client.send(stream.substr(0, cut));
        std::this_thread::sleep_for(1ms);
        client.send(stream.substr(cut));
        EXPECT_EQ(replyIds(client, 2), (std::multiset<std::string>{"\"ñ€😀\"", "2"})) << "cut at " << cut;
    }
}

TEST_F(MCPServerTest, ArraysScalarsAndBrokenLinesGetNoReplyAndKeepTheConnection)
{
    start();
    const Log::Capture log;
    auto client = authenticated();
    client->send("[" + request("1").substr(0, request("1").size() - 1) +
                 "]\n5\n\"text\"\nnull\ntrue\n{\"id\": \n"
                 "\xc3\x28\n\n\r\n" +
                 bearer + token + "\n" + request("\"last\""));
    EXPECT_EQ(replyIds(*client, 1), (std::multiset<std::string>{"\"last\""}));
    EXPECT_FALSE(client->readLine(200ms)) << "nothing else is answered";
    EXPECT_TRUE(log.contains("Failed to parse JSON-RPC message: the line is not valid UTF-8"));
}

// Lines that get no reply still hold a place in flight until a worker has
// looked at them; each must give it back, or a few dozen of them would stop
// the connection from reading for good.
TEST_F(MCPServerTest, ManyMoreLinesWithoutReplyThanFitInFlightKeepTheConnectionAnswering)
{
    start();
    const Log::Capture log;
    auto client = authenticated();
    const std::vector<std::string> silent = {"[1, 2]", "5", "{\"id\": ", "\xc3\x28", "\xc2\xa0 \xe3\x80\x80"};
    std::string all;
    for (std::size_t i = 0; i < 4 * limits.maxInFlight; ++i) {
        all += silent[i % silent.size()] + "\n";
    }
    client->send(all + request("\"after\""));
    EXPECT_EQ(replyIds(*client, 1), (std::multiset<std::string>{"\"after\""}));
    EXPECT_FALSE(client->readLine(200ms)) << "nothing else is answered";
}

TEST_F(MCPServerTest, EveryIdComesBackUnchangedAndAMissingIdStaysMissing)
{
    start();
    const std::vector<std::string> ids = {
        "7",       "\"seven\"",           "null", "3.5", "-12", "[1,2]", "{\"a\":[true]}", "false", "\"\"",
        "\"ñ€😀\"", "18446744073709551615"};
    auto client = authenticated();
    std::string all;
    for (const auto& id : ids) {
        all += request(id);
    }
    all += R"({"method": "quillmarker.nothing"})"
           "\n";
    client->send(all);
    std::multiset<std::string> expected;
    for (const auto& id : ids) {
        expected.insert(nlohmann::json::parse(id).dump());
    }
    expected.insert("<none>");
    EXPECT_EQ(replyIds(*client, ids.size() + 1), expected);
}

TEST_F(MCPServerTest, AnAuthenticationLineSplitOverReadsWaitsForItsEndAndASilentOneIsRefused)
{
    limits.authLineDeadline = 300ms;
    start();
    MCPTestClient split(port());
    split.send(bearer);
    std::this_thread::sleep_for(50ms);
    split.send(token + "\n" + request("1"));
    EXPECT_EQ(replyIds(split, 1), (std::multiset<std::string>{"1"}));

    MCPTestClient stalled(port());
    stalled.send(bearer + token.substr(0, 10));
    EXPECT_EQ(stalled.readToEnd(2s), std::string(MCPServer::kRefusal));
}

TEST_F(MCPServerTest, UnauthenticatedIdleConnectionsAreClosed)
{
    limits.unauthenticatedIdle = 200ms;
    start();
    const Log::Capture log;
    MCPTestClient silent(port());
    EXPECT_EQ(silent.readToEnd(3s), "");
    EXPECT_TRUE(log.contains("no authentication within 200 ms"));
    auto live = authenticated();
    std::this_thread::sleep_for(400ms);
    live->send(request("1"));
    EXPECT_TRUE(live->readLine()) << "an authenticated client may stay quiet";
}

TEST_F(MCPServerTest, ALineOverTheLimitClosesTheConnection)
{
    limits.maxLineBytes = 4096;
    start();
    const Log::Capture log;
    auto ok = authenticated();
    ok->send(R"({"id": 1, "pad": ")" + std::string(3000, 'x') + "\"}\n");
    EXPECT_TRUE(ok->readLine());
    auto endless = authenticated();
    endless->send(std::string(5000, 'x'));
    EXPECT_TRUE(endless->closedByServer());
    auto longLine = authenticated();
    longLine->send(std::string(5000, ' ') + "\n");
    EXPECT_TRUE(longLine->closedByServer());
    EXPECT_EQ(log.count("a line is longer than 4096 bytes"), 2u);
}

// Reading pauses while 32 requests are in flight, so a client that keeps
// writing is held back by TCP instead of filling the server's memory, and
// every request it got out is answered once the work moves again.
TEST_F(MCPServerTest, RequestsInFlightPauseReadingWithoutLosingAny)
{
    start();
    holdRequests();
    auto client = authenticated();
    const std::string pad(1000, 'p');
    std::size_t sent = 0;
    std::size_t bytes = 0;
    const int flags = ::fcntl(client->fd(), F_GETFL);
    ::fcntl(client->fd(), F_SETFL, flags | O_NONBLOCK);
    for (;;) {
        const std::string line = R"({"id": )" + std::to_string(sent) + R"(, "pad": ")" + pad + "\"}\n";
        pollfd watch{client->fd(), POLLOUT, 0};
        if (::poll(&watch, 1, 300) <= 0) {
            break;
        }
        // Whole lines only, so every line sent is complete.
        const auto wrote = ::send(client->fd(), line.data(), line.size(), MSG_NOSIGNAL);
        if (wrote < 0) {
            continue;
        }
        ASSERT_EQ(static_cast<std::size_t>(wrote), line.size());
        ++sent;
        bytes += line.size();
        ASSERT_LT(bytes, 256u * 1024 * 1024) << "the server kept reading with every request held";
    }
    ::fcntl(client->fd(), F_SETFL, flags);
    releaseRequests();
    std::multiset<std::string> expected;
    for (std::size_t i = 0; i < sent; ++i) {
        expected.insert(std::to_string(i));
    }
    EXPECT_EQ(replyIds(*client, sent), expected);
}

// Many clients pipelining at once, with replies coming from several workers:
// lines of mixed lengths end up cut across reads and partly taken while the
// rest waits for room in flight, and replies from different threads race one
// another onto each connection. Every request is answered exactly once.
TEST_F(MCPServerTest, PipeliningClientsOnSeveralWorkersGetEveryReplyExactlyOnce)
{
    ConcurrentQueue workers{"com.quillmarker.test.mcpWorkers", 4};
    MCPLineHandler busyLines{handler, workers};
    MCPServer busy(
        busyLines, hub, [] { return std::optional(token); }, 0, limits);
    busy.start();
    constexpr int kClients = 8;
    constexpr int kRequests = 1500;
    std::vector<std::multiset<std::string>> got(kClients);
    std::vector<std::thread> threads;
    for (int c = 0; c < kClients; ++c) {
        threads.emplace_back([&, c] {
            MCPTestClient client(*busy.port());
            client.send(authLine);
            std::thread writer([&] {
                std::string burst;
                for (int i = 0; i < kRequests; ++i) {
                    // Now and then a line longer than most reads bring.
                    const std::string pad(i % 97 == 0 ? 70'000 : static_cast<std::size_t>(i % 13) * 11, 'p');
                    burst += R"({"id": ")" + std::to_string(c) + "-" + std::to_string(i) + R"(", "pad": ")" +
                             pad + "\"}\n";
                    if (burst.size() > 8192) {
                        client.send(burst);
                        burst.clear();
                    }
                }
                client.send(burst);
            });
            for (int i = 0; i < kRequests; ++i) {
                const auto line = client.readLine(10s);
                if (!line) {
                    break;
                }
                got[static_cast<std::size_t>(c)].insert(nlohmann::json::parse(*line).value("id", "<none>"));
            }
            writer.join();
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int c = 0; c < kClients; ++c) {
        std::multiset<std::string> expected;
        for (int i = 0; i < kRequests; ++i) {
            expected.insert(std::to_string(c) + "-" + std::to_string(i));
        }
        EXPECT_EQ(got[static_cast<std::size_t>(c)], expected) << "client " << c;
    }
}

TEST_F(MCPServerTest, AClientThatNeverReadsIsClosedAtTheOutboundLimit)
{
    limits.maxOutboundBytes = 64 * 1024;
    limits.unreadDeadline = 200ms;
    start();
    const Log::Capture log;
    MCPTestClient client(port(), "127.0.0.1", 4096);
    client.send(authLine);
    std::string burst;
    for (int i = 0; i < 2000; ++i) {
        burst += request(std::to_string(i));
    }
    for (int round = 0; round < 200 && !log.contains("reply bytes wait to be read"); ++round) {
        if (!client.send(burst)) {
            break;
        }
    }
    for (int wait = 0; wait < 100 && !log.contains("reply bytes wait to be read"); ++wait) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(log.contains("more than 65536 reply bytes wait to be read"));
    for (int wait = 0; wait < 100 && server->connectionCount() > 0; ++wait) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(server->connectionCount(), 0u);
}

TEST_F(MCPServerTest, AReplyLargerThanTheUnreadLimitReachesAClientThatReads)
{
    // 1,800 nodes with long names: the whole graph is more than a client may leave unread.
    const std::string longName(5000, 'n');
    for (int i = 0; i < 1800; ++i) {
        ASSERT_TRUE(
            db->saveNode("node-" + std::to_string(i), "topic", longName + std::to_string(i), {}, 1, 1));
    }
    start();
    auto client = authenticated();
    client->send(request("1", "quillmarker.queryGraph"));
    const auto line = client->readLine(10s);
    ASSERT_TRUE(line) << "the connection closed without the reply";
    EXPECT_GT(line->size(), limits.maxOutboundBytes);
    EXPECT_EQ(nlohmann::json::parse(*line)["result"]["nodes"].size(), 1800u);
    client->send(request("2"));
    EXPECT_TRUE(client->readLine()) << "the connection goes on";
}

TEST_F(MCPServerTest, AtEndOfStreamOwedRepliesGoOutBeforeTheClose)
{
    start();
    holdRequests();
    auto client = authenticated();
    std::string all;
    for (int i = 0; i < 40; ++i) {
        all += request(std::to_string(i));
    }
    client->send(all);
    client->endWriting();
    std::this_thread::sleep_for(100ms);
    releaseRequests();
    const auto rest = client->readToEnd();
    ASSERT_TRUE(rest);
    EXPECT_EQ(std::count(rest->begin(), rest->end(), '\n'), 40);

    auto idle = authenticated();
    idle->endWriting();
    EXPECT_EQ(idle->readToEnd(1s), "") << "with nothing owed the close is immediate";
}

TEST_F(MCPServerTest, TokenComparisonTable)
{
    EXPECT_TRUE(MCPServer::constantTimeEquals("", ""));
    EXPECT_TRUE(MCPServer::constantTimeEquals("ab\xff", "ab\xff"));
    EXPECT_FALSE(MCPServer::constantTimeEquals("xbc", "abc"));
    EXPECT_FALSE(MCPServer::constantTimeEquals("abx", "abc"));
    EXPECT_FALSE(MCPServer::constantTimeEquals("abc", "abcd"));
    EXPECT_FALSE(MCPServer::constantTimeEquals("", "a"));
}

TEST_F(MCPServerTest, ListensOnLoopbackOnly)
{
    start();
    EXPECT_TRUE(MCPTestClient(port(), "127.0.0.1").connected());
    EXPECT_FALSE(MCPTestClient(port(), "127.0.0.2").connected())
        << "bound to 127.0.0.1 alone, not every address";
}

TEST_F(MCPServerTest, StartTwiceKeepsOneListenerAndStopClosesEverything)
{
    const Log::Capture log;
    start();
    const auto first = port();
    server->start();
    EXPECT_EQ(server->port(), first);
    EXPECT_EQ(log.count("listening on 127.0.0.1:"), 1u);

    auto a = authenticated();
    auto b = authenticated();
    a->send(request("1", "quillmarker.subscribe"));
    ASSERT_TRUE(a->readLine());
    hub.broadcastContextChange("Atlas", "Open the plan");
    const auto broadcast = a->readLine();
    ASSERT_TRUE(broadcast) << "a subscribed connection receives broadcasts";
    EXPECT_EQ(nlohmann::json::parse(*broadcast)["method"], "quillmarker.contextChanged");
    server->stop();
    EXPECT_TRUE(a->closedByServer());
    EXPECT_TRUE(b->closedByServer());
    EXPECT_EQ(server->connectionCount(), 0u);
    EXPECT_FALSE(server->port());
    EXPECT_FALSE(MCPTestClient(first).connected());
    hub.broadcastContextChange("Atlas", "Open the plan");
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(log.contains("MCP Broadcast Send Error"))
        << "stopped connections are unregistered from the hub";
}

// Broadcasts keep leaving while stop() closes the subscribed connections: a
// line being written at that moment, or one the hub had already handed over,
// falls to the server's own close, which is no send error. Several rounds,
// because the moment of the close decides which case each line meets.
TEST_F(MCPServerTest, BroadcastsRacingStopAreNoSendErrors)
{
    for (int round = 0; round < 5; ++round) {
        start();
        const Log::Capture log;
        std::vector<std::unique_ptr<MCPTestClient>> clients;
        for (int i = 0; i < 10; ++i) {
            clients.push_back(authenticated());
            clients.back()->send(request(std::to_string(i), "quillmarker.subscribe"));
            ASSERT_TRUE(clients.back()->readLine());
        }
        std::atomic<bool> stopped = false;
        std::thread broadcaster([&] {
            while (!stopped) {
                hub.broadcastContextChange("Atlas", "Open the plan");
                std::this_thread::sleep_for(200us);
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + 5 * round));
        server->stop();
        stopped = true;
        broadcaster.join();
        for (const auto& client : clients) {
            EXPECT_TRUE(client->closedByServer());
        }
        // Lets the hub's queue send what it still held.
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(log.contains("MCP Broadcast Send Error")) << "round " << round;
    }
}

TEST_F(MCPServerTest, AFailedStartCanBeRetried)
{
    start();
    const auto taken = port();
    const Log::Capture log;
    MCPServer second(
        lines, hub, [] { return std::optional(token); }, taken, limits);
    second.start();
    EXPECT_TRUE(log.contains("❌ Quillmarker MCP Server failed to start: Address already in use"));
    EXPECT_FALSE(second.port());
    server->stop();
    second.start();
    EXPECT_EQ(second.port(), taken);
    MCPTestClient client(taken);
    client.send(authLine + request("1"));
    EXPECT_TRUE(client.readLine());
}

TEST_F(MCPServerTest, ToggleStartsOnTrueStopsOnOtherTextIgnoresNoObject)
{
    server = std::make_unique<MCPServer>(
        lines, hub, [] { return std::optional(token); }, 0, limits);
    using Note = DistributedNotificationCenter::Notification;
    server->handleToggleNotification(Note{"com.quillmarker.mcp.toggle", std::nullopt, {}});
    EXPECT_FALSE(server->port());
    server->handleToggleNotification(Note{"com.quillmarker.mcp.toggle", "true", {}});
    EXPECT_TRUE(server->port());
    server->handleToggleNotification(Note{"com.quillmarker.mcp.toggle", std::nullopt, {}});
    EXPECT_TRUE(server->port());
    for (const char* other : {"TRUE", "1", ""}) {
        server->handleToggleNotification(Note{"com.quillmarker.mcp.toggle", "true", {}});
        server->handleToggleNotification(Note{"com.quillmarker.mcp.toggle", other, {}});
        EXPECT_FALSE(server->port()) << other;
    }
}

TEST_F(MCPServerTest, TheTokenIsMadeOnceAndKeptInTheSecretStore)
{
    TempDir support;
    KeychainHelper secrets(nullptr, support.path());
    const auto made = MCPServer::getOrCreateMCPToken(secrets);
    ASSERT_TRUE(made);
    EXPECT_THAT(*made, ::testing::MatchesRegex("[0-9a-f]{64}"));
    EXPECT_EQ(MCPServer::getOrCreateMCPToken(secrets), made);
    EXPECT_EQ(secrets.load(KeychainHelper::service, "mcp_token"), made);
    secrets.save(KeychainHelper::service, "mcp_token", "hand-made token");
    EXPECT_EQ(MCPServer::getOrCreateMCPToken(secrets), "hand-made token");
    secrets.remove(KeychainHelper::service, "mcp_token");
    const auto renewed = MCPServer::getOrCreateMCPToken(secrets);
    EXPECT_NE(renewed, made);
    EXPECT_NE(MCPServer::generateSecureMCPToken(), MCPServer::generateSecureMCPToken());
}

}  // namespace
}  // namespace qm::test
