#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

// The pieces of an MCP reply: the error codes and the result objects that
// several methods share.
namespace qm::mcp {

inline constexpr int kInvalidParams = -32602;
inline constexpr int kMethodNotFound = -32601;
// The operation itself failed (sealing, storing, the AI engine, a missing connection).
inline constexpr int kOperationFailed = -32000;
// Something went wrong inside the handler; the request's own fault it is not.
inline constexpr int kInternalError = -32603;
inline constexpr const char* kInternalErrorMessage = "Internal error";

// {"content": [{"type": "text", "text": sentence}]}: the result of a method
// whose only outcome is a confirmation.
nlohmann::json textContent(const std::string& sentence);

// {"code": code, "message": message}
nlohmann::json errorObject(int code, const std::string& message);

}  // namespace qm::mcp
