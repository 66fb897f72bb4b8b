#pragma once

#include <chrono>
#include <cstddef>

namespace qm {

// What one MCP client may hold of the server. Crossing a limit is logged and
// closes that connection; the in-flight count and the unread reply bytes only
// pause reading.
struct MCPServerLimits {
    // Longest request line, "\n" not counted.
    std::size_t maxLineBytes = 1024 * 1024;
    // Longest authentication line; judged once this many bytes came without "\n".
    std::size_t maxAuthLineBytes = 1024;
    // A connection that has not authenticated by then is closed.
    std::chrono::milliseconds unauthenticatedIdle{10'000};
    // How long a started authentication line may wait for the rest of it.
    std::chrono::milliseconds authLineDeadline{1'000};
    std::size_t maxConnections = 64;
    // Requests handed to the handler and not yet answered; reading waits beyond it.
    std::size_t maxInFlight = 32;
    // Reply bytes queued for one connection and not yet written: beyond it
    // reading waits, and a client that then takes none of them for
    // `unreadDeadline` is closed. A client that reads gets every reply whole,
    // one larger than this too.
    std::size_t maxOutboundBytes = 8 * 1024 * 1024;
    std::chrono::milliseconds unreadDeadline{10'000};
    // After the peer ended its side, how long the replies still owed may take.
    std::chrono::milliseconds drainAfterEof{5'000};
};

}  // namespace qm
