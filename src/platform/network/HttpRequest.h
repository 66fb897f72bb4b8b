#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qm {

// One HTTP request as a client sends it.
struct HttpRequest {
    std::string method = "GET";
    // An absolute "http:" or "https:" URL.
    std::string url;
    // Sent in this order, names spelled as given. The client adds only what the
    // protocol needs (Host, Content-Length, Accept).
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The longest the request may wait without sending or receiving a byte,
    // connecting included; not a limit on the whole transfer.
    double idleTimeoutSeconds = 60;
};

}  // namespace qm
