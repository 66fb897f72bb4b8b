#pragma once

#include <string>

namespace qm {

// A whole HTTP response: its status and its body bytes.
struct HttpResponse {
    int statusCode = 0;
    std::string body;
};

}  // namespace qm
