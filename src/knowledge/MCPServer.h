#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "knowledge/MCPServerLimits.h"
#include "platform/notifications/DistributedNotificationCenter.h"

namespace qm {

class KeychainHelper;
class MCPHubManager;
class MCPLineHandler;

// The local tool server: TCP on 127.0.0.1 only. A client's first line is
// "Authorization: Bearer <token>"; a wrong one gets the fixed 403 text and the
// connection is closed. After it, every "\n"-ended line goes to the line
// handler and its reply comes back as one line on the same connection.
// Connections are registered with the hub from the moment they are accepted.
//
// The listener and every connection live on one thread of the server's own,
// "com.quillmarker.mcpServerQueue". start(), stop() and the toggle may be
// called from any other thread; they wait for that thread to act.
class MCPServer {
public:
    // The token clients must present; nothing when it cannot be had, and then
    // every client is refused. Asked when the server starts listening (so a
    // token made on first need exists before any client) and on every
    // authentication attempt.
    using TokenSource = std::function<std::optional<std::string>()>;

    static constexpr std::uint16_t kDefaultPort = 9987;
    static constexpr std::string_view kRefusal =
        "HTTP/1.1 403 Forbidden\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\nForbidden: Invalid "
        "Token\n";

    // The references must outlive the server. Port 0 lets the system pick one
    // (see port()).
    MCPServer(MCPLineHandler& lines, MCPHubManager& hub, TokenSource token, std::uint16_t port = kDefaultPort,
              MCPServerLimits limits = {});
    // Stops, then waits for the server's thread.
    ~MCPServer();
    MCPServer(const MCPServer&) = delete;
    MCPServer& operator=(const MCPServer&) = delete;

    // Listens, unless a listener is already live (then nothing happens). A
    // failure is logged and leaves no listener, so a later start() tries again.
    void start();
    // Closes the listener and every connection; each is unregistered from the hub.
    void stop();

    // The observer of "com.quillmarker.mcp.toggle": the object "true" starts the
    // server, any other text stops it, no object does nothing.
    void handleToggleNotification(const DistributedNotificationCenter::Notification& notification);

    // The port actually listened on, while a listener is live.
    std::optional<std::uint16_t> port() const;
    // Open connections, authenticated or not.
    std::size_t connectionCount() const;

    // The token under the default service and "mcp_token" in the secret store,
    // made and saved when there is none. Nothing when a stored one cannot be
    // read, so an unreadable secret is never replaced.
    static std::optional<std::string> getOrCreateMCPToken(KeychainHelper& secrets);
    // 64 lower-case hex digits of 32 random bytes; 32 upper-case hex digits of
    // a random UUID when the random source fails.
    static std::string generateSecureMCPToken();
    // Byte-wise, in time that depends only on the lengths.
    static bool constantTimeEquals(std::string_view a, std::string_view b);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qm
