#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "knowledge/MCPHandlerFixture.h"
#include "knowledge/MCPLineHandler.h"
#include "knowledge/MCPServer.h"
#include "knowledge/MCPTestClient.h"
#include "platform/runtime/ConcurrentQueue.h"

namespace qm::test {

// The real server, line handler and request handler on an ephemeral loopback
// port, with a fixed token; `limits` may be changed before start().
class MCPServerFixture : public MCPHandlerFixture {
public:
    static inline const std::string token =
        "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
    static inline const std::string authLine = "Authorization: Bearer " + token + "\n";

protected:
    void TearDown() override
    {
        releaseRequests();
        server.reset();
        MCPHandlerFixture::TearDown();
    }

    MCPServer& start()
    {
        server = std::make_unique<MCPServer>(
            lines, hub, [] { return std::optional(token); }, 0, limits);
        server->start();
        return *server;
    }

    std::uint16_t port() const { return server->port().value_or(0); }

    // A client past authentication.
    std::unique_ptr<MCPTestClient> authenticated()
    {
        auto client = std::make_unique<MCPTestClient>(port());
        client->send(authLine);
        return client;
    }

    // Holds every request task until releaseRequests(): the requests stay in flight.
    void holdRequests()
    {
        {
            const std::lock_guard guard(holdMutex);
            held = true;
        }
        requests.async([this] {
            std::unique_lock guard(holdMutex);
            holdChanged.wait(guard, [this] { return !held; });
        });
    }
    void releaseRequests()
    {
        {
            const std::lock_guard guard(holdMutex);
            held = false;
        }
        holdChanged.notify_all();
    }

    static std::string request(const std::string& id, const std::string& method = "quillmarker.nothing")
    {
        return R"({"jsonrpc": "2.0", "id": )" + id + R"(, "method": ")" + method + "\"}\n";
    }

    MCPServerLimits limits;
    std::mutex holdMutex;
    std::condition_variable holdChanged;
    bool held = false;
    // One worker, so a held task holds every request behind it.
    ConcurrentQueue requests{"com.quillmarker.test.mcpRequests", 1};
    MCPLineHandler lines{handler, requests};
    std::unique_ptr<MCPServer> server;
};

}  // namespace qm::test
