#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "base/Uuid.h"
#include "knowledge/MCPConnectionSink.h"

namespace qm {

class ConcurrentQueue;
class MCPRequestHandler;

// One complete request line of an authenticated MCP connection in, one reply
// line out on the same connection: what the server does with each line once
// it has framed it. No sockets here.
//
// The line is a JSON object, nested no deeper than kMaxDepth levels. Its
// "method" (a string, else ""), "params" (an object, else {}) and "id" (any
// value, or none) go to the request handler as a task of its own on `queue`,
// so replies may leave in another order than the lines came. The reply is
// written as compact JSON and "\n", and sent as one message. Lines that do not
// parse get no reply and a log line that quotes none of their text; a valid
// line that is not an object (a batch array, say) is dropped without a word.
class MCPLineHandler {
public:
    static constexpr std::size_t kMaxDepth = 128;

    // The references must outlive the line handler and every task it queued.
    MCPLineHandler(MCPRequestHandler& handler, ConcurrentQueue& queue);
    MCPLineHandler(const MCPLineHandler&) = delete;
    MCPLineHandler& operator=(const MCPLineHandler&) = delete;

    // `line` without its "\n"; whitespace around it is ignored and a blank line
    // skipped. Returns at once. Any thread. True when a request was queued, so
    // exactly one reply will be sent on `connection` for it.
    bool handleLine(std::string_view line, const Uuid& connectionId,
                    const std::shared_ptr<MCPConnectionSink>& connection);

private:
    MCPRequestHandler& handler_;
    ConcurrentQueue& queue_;
};

}  // namespace qm
