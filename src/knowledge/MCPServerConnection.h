#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <asio.hpp>

#include "base/Uuid.h"
#include "knowledge/MCPConnectionSink.h"
#include "knowledge/MCPServer.h"
#include "knowledge/MCPServerLimits.h"

namespace qm {

class MCPHubManager;
class MCPLineHandler;

// One accepted client of the MCP server: the authentication line, the framing
// of request lines, the queue of reply bytes and the limits. Everything but
// the sinks runs on the server's thread, the only thread running `io`.
class MCPServerConnection : public std::enable_shared_from_this<MCPServerConnection> {
public:
    // Owned by the server, which outlives its connections' handlers.
    struct Context {
        std::shared_ptr<asio::io_context> io;
        MCPLineHandler& lines;
        MCPHubManager& hub;
        const MCPServer::TokenSource& token;
        const MCPServerLimits& limits;
        // Called once, when the connection has closed.
        std::function<void(const Uuid&)> closed;
    };

    MCPServerConnection(asio::ip::tcp::socket socket, Context context);
    MCPServerConnection(const MCPServerConnection&) = delete;
    MCPServerConnection& operator=(const MCPServerConnection&) = delete;

    const Uuid& id() const { return id_; }

    // Registers with the hub and starts reading.
    void start();
    // Closes the socket, fails what was still to be written and unregisters.
    // Repeats do nothing.
    void close();

    // What a sink was given, waiting for the server's thread. A reply settles
    // one request in flight; a broadcast does not.
    struct Delivery {
        std::string bytes;
        MCPConnectionSink::SendCompletion completion;
        bool isReply = false;
        // A request that needs no reply: it settles, and nothing is written.
        bool skipped = false;
    };
    // Where the sinks leave their bytes from any thread. Only the first
    // delivery into an empty mailbox wakes the server's thread, which then
    // takes all that came meanwhile: under load one wake-up and one write
    // carry many replies.
    struct Mailbox {
        std::mutex mutex;
        std::vector<Delivery> deliveries;
    };

    // On the server's thread: takes everything in the mailbox.
    void deliverMail();

private:
    enum class Phase { authenticating, open, refusing, closed };
    static constexpr std::size_t kMaxLinesPerWrite = 64;
    struct Outbound {
        // Never moved while queued: a deque keeps its elements in place as
        // entries come and go at its ends, so a write may point into them.
        std::string bytes;
        MCPConnectionSink::SendCompletion completion;
    };

    void readMore();
    void onRead(const std::error_code& error, std::size_t count);
    void processAuthentication();
    bool isAuthenticationLine(std::string_view line) const;
    void accept(std::size_t consumed);
    void refuse();
    void processLines();
    void onPeerEnded();
    void finishIfDrained();
    void deliver(Delivery delivery);
    // Queues the bytes; the caller starts the write.
    void enqueue(std::string bytes, MCPConnectionSink::SendCompletion completion);
    void writeNext();
    void onWritten(const std::error_code& error, std::size_t count);
    // Settles the entries that `count` written bytes completed; returns how many.
    std::size_t consumeWritten(std::size_t count);
    void failOutbound();
    bool overUnreadLimit() const { return outboundBytes_ > context_.limits.maxOutboundBytes; }
    void watchUnread();
    void onUnreadDeadline();
    void closeForLimit(std::string_view reason);
    void arm(asio::steady_timer& timer, std::chrono::milliseconds after,
             void (MCPServerConnection::*fired)());
    void onIdle();
    void onAuthLineDeadline();
    void onDrainDeadline();

    asio::ip::tcp::socket socket_;
    Context context_;
    const Uuid id_ = Uuid::random();
    Phase phase_ = Phase::authenticating;
    std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
    // What deliverMail() took out of the mailbox; kept for its room.
    std::vector<Delivery> mail_;
    std::shared_ptr<MCPConnectionSink> replySink_;
    std::shared_ptr<MCPConnectionSink> hubSink_;
    // Received bytes that no "\n" has ended yet, or lines waiting for room in
    // flight, from `taken_` on; what lies before it was handled. Handled bytes
    // are dropped once they are the larger part or a read's worth, so taking
    // one line at a time as replies free room does not move the rest each time.
    std::string buffer_;
    std::size_t taken_ = 0;
    std::array<char, 65536> readBuffer_{};
    bool reading_ = false;
    bool peerEnded_ = false;
    std::size_t inFlight_ = 0;
    std::deque<Outbound> outbound_;
    // Bytes of outbound_ not yet written, the front entry's written part not counted.
    std::size_t outboundBytes_ = 0;
    // How much of the front entry earlier writes took.
    std::size_t frontWritten_ = 0;
    // The entries at the front of outbound_ that the write under way offers,
    // and their bytes not yet written as that write sees them.
    std::size_t inWrite_ = 0;
    std::array<asio::const_buffer, kMaxLinesPerWrite> writeBuffers_{};
    asio::steady_timer idleTimer_;
    asio::steady_timer authLineTimer_;
    bool authLineTimerArmed_ = false;
    asio::steady_timer drainTimer_;
    // The last time a write took any bytes, while more than the limit waited.
    std::chrono::steady_clock::time_point lastWriteProgress_;
    asio::steady_timer unreadTimer_;
    bool unreadTimerArmed_ = false;
};

}  // namespace qm
