#include "targets/SlackError.h"

namespace qm {

SlackError::SlackError(Code code, std::string_view description, std::string_view token)
    : PlatformError(kDomain, static_cast<long>(code), masked(description, token))
{
}

std::string SlackError::masked(std::string_view text, std::string_view token)
{
    std::string result(text);
    if (token.empty()) {
        return result;
    }
    for (auto at = result.find(token); at != std::string::npos; at = result.find(token, at)) {
        result.replace(at, token.size(), "[token]");
    }
    return result;
}

}  // namespace qm
