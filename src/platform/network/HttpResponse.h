#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

// A complete HTTP answer: the status, the header fields of the final response
// in the order received, and the whole body (content encodings undone).
struct HttpResponse {
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first field of that name, compared without regard to case; its
    // value trimmed of spaces and tabs.
    std::optional<std::string> header(std::string_view name) const;
};

}  // namespace qm
