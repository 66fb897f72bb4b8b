#include "knowledge/MCPServer.h"

#include <atomic>
#include <future>
#include <map>
#include <thread>

#include <asio.hpp>
#include <fmt/format.h>

#include "base/Log.h"
#include "base/SecureRandom.h"
#include "base/Text.h"
#include "base/Uuid.h"
#include "knowledge/MCPServerConnection.h"
#include "store/KeychainHelper.h"

namespace qm {
namespace {

constexpr std::string_view kTokenKey = "mcp_token";

}  // namespace

struct MCPServer::State {
    State(MCPLineHandler& lines, MCPHubManager& hub, TokenSource token, std::uint16_t port,
          MCPServerLimits limits)
        : lines(lines), hub(hub), token(std::move(token)), requestedPort(port), limits(limits)
    {
    }

    // Runs `work` on the server's thread and waits for it.
    void onServerThread(const std::function<void()>& work)
    {
        if (std::this_thread::get_id() == thread.get_id()) {
            work();
            return;
        }
        std::promise<void> done;
        asio::post(*io, [&] {
            work();
            done.set_value();
        });
        done.get_future().wait();
    }

    void listen()
    {
        if (acceptor && acceptor->is_open()) {
            return;
        }
        acceptor.reset();
        asio::ip::tcp::acceptor candidate(*io);
        std::error_code error;
        const asio::ip::tcp::endpoint endpoint(asio::ip::address_v4::loopback(), requestedPort);
        candidate.open(endpoint.protocol(), error);
        if (!error) {
            candidate.set_option(asio::socket_base::reuse_address(true), error);
        }
        if (error) {
            // No listener could be made at all.
            Log::print("❌ Failed to start Quillmarker MCP Server: " + error.message());
            return;
        }
        candidate.bind(endpoint, error);
        if (!error) {
            candidate.listen(asio::socket_base::max_listen_connections, error);
        }
        if (error) {
            // The listener was made but cannot take the port (another program holds it, say).
            Log::print("❌ Quillmarker MCP Server failed to start: " + error.message());
            return;
        }
        acceptor.emplace(std::move(candidate));
        // A tool reads the token from the secret store before it connects: it
        // is there from the first start on, not only after a first attempt.
        static_cast<void>(token());
        const auto port = acceptor->local_endpoint(error).port();
        boundPort = port;
        Log::print(fmt::format("🚀 Quillmarker MCP Server listening on 127.0.0.1:{}", port));
        acceptNext();
    }

    void acceptNext()
    {
        acceptor->async_accept([this](const std::error_code& error, asio::ip::tcp::socket socket) {
            if (error == asio::error::operation_aborted || !acceptor || !acceptor->is_open()) {
                return;
            }
            if (error) {
                Log::print("⚠️ MCP Connection failed: " + error.message());
            } else if (connections.size() >= limits.maxConnections) {
                Log::print(fmt::format("⚠️ MCP connection refused: {} connections are open",
                                       connections.size()));
                std::error_code ignored;
                socket.close(ignored);
            } else {
                auto connection = std::make_shared<MCPServerConnection>(
                    std::move(socket),
                    MCPServerConnection::Context{io, lines, hub, token, limits, [this](const Uuid& id) {
                                                     connections.erase(id);
                                                     connectionCount = connections.size();
                                                 }});
                connections.emplace(connection->id(), connection);
                connectionCount = connections.size();
                connection->start();
            }
            acceptNext();
        });
    }

    void close()
    {
        if (acceptor) {
            std::error_code ignored;
            acceptor->close(ignored);
            acceptor.reset();
        }
        boundPort = 0;
        // Closing removes each one from the map.
        auto open = connections;
        for (auto& [id, connection] : open) {
            connection->close();
        }
        connections.clear();
        connectionCount = 0;
    }

    MCPLineHandler& lines;
    MCPHubManager& hub;
    const TokenSource token;
    const std::uint16_t requestedPort;
    const MCPServerLimits limits;
    // Shared with the connections' sinks, which may outlive the server.
    std::shared_ptr<asio::io_context> io = std::make_shared<asio::io_context>(1);
    asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(*io);
    std::thread thread;
    // Server thread only.
    std::optional<asio::ip::tcp::acceptor> acceptor;
    std::map<Uuid, std::shared_ptr<MCPServerConnection>> connections;
    // Mirrors for other threads.
    std::atomic<std::uint16_t> boundPort{0};
    std::atomic<std::size_t> connectionCount{0};
};

MCPServer::MCPServer(MCPLineHandler& lines, MCPHubManager& hub, TokenSource token, std::uint16_t port,
                     MCPServerLimits limits)
    : state_(std::make_unique<State>(lines, hub, std::move(token), port, limits))
{
    state_->thread = std::thread([io = state_->io] { io->run(); });
}

MCPServer::~MCPServer()
{
    stop();
    // The thread runs until the handlers that the close aborted have run: left
    // queued, each would keep its connection, and with it the shared context,
    // alive for good.
    state_->work.reset();
    state_->thread.join();
}

void MCPServer::start()
{
    state_->onServerThread([this] { state_->listen(); });
}

void MCPServer::stop()
{
    state_->onServerThread([this] { state_->close(); });
}

void MCPServer::handleToggleNotification(const DistributedNotificationCenter::Notification& notification)
{
    if (!notification.object) {
        return;
    }
    if (*notification.object == "true") {
        start();
    } else {
        stop();
    }
}

std::optional<std::uint16_t> MCPServer::port() const
{
    const auto port = state_->boundPort.load();
    return port == 0 ? std::nullopt : std::optional(port);
}

std::size_t MCPServer::connectionCount() const
{
    return state_->connectionCount.load();
}

std::optional<std::string> MCPServer::getOrCreateMCPToken(KeychainHelper& secrets)
{
    const auto stored = secrets.loadWithStatus(KeychainHelper::service, kTokenKey);
    if (stored.status == KeychainHelper::LoadResult::Status::unreadable) {
        Log::print("❌ MCP token could not be read from the secret store");
        return std::nullopt;
    }
    if (stored.status == KeychainHelper::LoadResult::Status::found && text::isValidUtf8(stored.data)) {
        return stored.data;
    }
    std::string token = generateSecureMCPToken();
    secrets.save(KeychainHelper::service, kTokenKey, token);
    return token;
}

std::string MCPServer::generateSecureMCPToken()
{
    if (const auto bytes = SecureRandom::bytes(32)) {
        std::string token;
        for (const unsigned char byte : *bytes) {
            token += fmt::format("{:02x}", byte);
        }
        return token;
    }
    std::string token = Uuid::random().string();
    std::erase(token, '-');
    return token;
}

bool MCPServer::constantTimeEquals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    // Keeps the compiler from stopping at the first difference.
    volatile unsigned char result = difference;
    return result == 0;
}

}  // namespace qm
