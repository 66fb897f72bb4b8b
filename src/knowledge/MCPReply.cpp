#include "knowledge/MCPReply.h"

#include <nlohmann/json.hpp>

namespace qm::mcp {

nlohmann::json textContent(const std::string& sentence)
{
    return {{"content", nlohmann::json::array({{{"type", "text"}, {"text", sentence}}})}};
}

nlohmann::json errorObject(int code, const std::string& message)
{
    return {{"code", code}, {"message", message}};
}

}  // namespace qm::mcp
