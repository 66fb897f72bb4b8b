#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "base/Uuid.h"
#include "knowledge/MCPConnectionSink.h"

namespace qm {

class ConcurrentQueue;
class MCPRequestHandler;

// The complete request lines of an authenticated MCP connection in, one reply
// line out per request on the same connection: what the server does with the
// lines once it has framed them. No sockets here.
//
// Each line is a JSON object, nested no deeper than kMaxDepth levels. Its
// "method" (a string, else ""), "params" (an object, else {}) and "id" (any
// value, or none) go to the request handler. Every line is a task of its own
// on `queue`, read, parsed and handled there, so replies may leave in another
// order than the lines came and the thread that framed them does none of that
// work. The reply is written as compact JSON and "\n", and sent as one
// message. Lines that do not parse get no reply and a log line that quotes
// none of their text; a valid line that is not an object (a batch array, say)
// is dropped without a word. Either way the connection hears skipReply().
class MCPLineHandler {
public:
    static constexpr std::size_t kMaxDepth = 128;

    // The references must outlive the line handler and every task it queued.
    MCPLineHandler(MCPRequestHandler& handler, ConcurrentQueue& queue);
    MCPLineHandler(const MCPLineHandler&) = delete;
    MCPLineHandler& operator=(const MCPLineHandler&) = delete;

    // `lines` is one or more lines, each ended by "\n"; bytes after the last
    // "\n" are not looked at. Whitespace around a line is ignored and a blank
    // line skipped. The lines are copied and queued at once, with one wake-up
    // of the workers for all of them; the call returns without waiting. Any
    // thread. Returns how many were queued: each of them gets exactly one
    // reply sent, or one skipReply(), on `connection`.
    std::size_t handleLines(std::string_view lines, const Uuid& connectionId,
                            const std::shared_ptr<MCPConnectionSink>& connection);

private:
    // On a worker: true when the line went to the request handler.
    bool handle(std::string_view line, const Uuid& connectionId,
                const std::shared_ptr<MCPConnectionSink>& connection);

    MCPRequestHandler& handler_;
    ConcurrentQueue& queue_;
};

}  // namespace qm
