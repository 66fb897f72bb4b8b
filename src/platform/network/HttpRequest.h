#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qm {

// One HTTP request as the program's network code builds it.
struct HttpRequest {
    // "GET", "POST" ...
    std::string method = "GET";
    // An absolute http or https address, query included.
    std::string url;
    // Sent in this order. Names and values may not hold line breaks or NUL.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // The longest time, in seconds, that the request may go without receiving
    // or sending a byte (connecting included) before it fails as timed out.
    double idleTimeout = 60.0;
};

}  // namespace qm
