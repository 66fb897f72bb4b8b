#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qm {

// Where replies and broadcasts for one client connection go: the server puts
// its socket behind it, tests record what would be written.
class MCPConnectionSink {
public:
    // Receives nothing when the bytes went out, else the error's description.
    using SendCompletion = std::function<void(const std::optional<std::string>& error)>;

    virtual ~MCPConnectionSink() = default;

    // Sends `bytes` as one complete message. Any thread; `completion` runs once,
    // on any thread, when the send has finished or failed.
    virtual void send(std::string bytes, SendCompletion completion) = 0;
};

}  // namespace qm
