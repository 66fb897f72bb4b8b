#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qm {

// Where replies and broadcasts for one client connection go: the server puts
// its socket behind it, tests record what would be written.
class MCPConnectionSink {
public:
    // Why bytes did not go out.
    struct SendError {
        std::string description;
        // The connection had been closed before the bytes could go: by this
        // side (a stop, a limit), or after a failure that was reported when it
        // happened. Not the sender's failure, so nothing for it to report.
        bool connectionClosed = false;
    };
    // Receives nothing when the bytes went out.
    using SendCompletion = std::function<void(const std::optional<SendError>& error)>;

    virtual ~MCPConnectionSink() = default;

    // Sends `bytes` as one complete message. Any thread; `completion` runs once,
    // on any thread, when the send has finished or failed.
    virtual void send(std::string bytes, SendCompletion completion) = 0;
    // A line handed in as a request turned out to need no reply (it did not
    // parse, or was not an object): settles it as its reply would have, with
    // nothing written. Any thread.
    virtual void skipReply() {}
};

}  // namespace qm
