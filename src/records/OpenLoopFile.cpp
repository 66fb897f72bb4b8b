#include "records/OpenLoopFile.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "base/Json.h"

namespace qm {

namespace {

// Outside strings compact JSON has no "/", and no UTF-8 sequence contains the
// byte, so every one of them is a slash inside a string.
std::string escapeSlashes(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c == '/') {
            result += '\\';
        }
        result += c;
    }
    return result;
}

std::optional<std::string> optionalString(const nlohmann::json& root, const char* key, std::string& reason,
                                          bool& failed)
{
    const auto found = root.find(key);
    if (found == root.end() || found->is_null()) {
        return std::nullopt;
    }
    if (!found->is_string()) {
        reason = fmt::format("\"{}\" is not a string", key);
        failed = true;
        return std::nullopt;
    }
    return found->get<std::string>();
}

}  // namespace

std::string OpenLoopFile::encode() const
{
    nlohmann::json root = nlohmann::json::object();
    root["loops"] = nlohmann::json::array();
    for (const auto& loop : loops) {
        root["loops"].push_back(loop.toJson());
    }
    if (lastRevealPath) {
        root["lastRevealPath"] = *lastRevealPath;
    }
    if (lastReceipt) {
        root["lastReceipt"] = *lastReceipt;
    }
    return escapeSlashes(json::serialize(root));
}

std::optional<OpenLoopFile> OpenLoopFile::decode(std::string_view bytes, std::string& reason)
{
    const auto root = json::parse(bytes);
    if (!root) {
        reason = "not valid JSON";
        return std::nullopt;
    }
    if (!root->is_object()) {
        reason = "the root is not an object";
        return std::nullopt;
    }
    const nlohmann::json* loops = json::arrayAt(*root, "loops");
    if (!loops) {
        reason = "\"loops\" is missing or not an array";
        return std::nullopt;
    }
    OpenLoopFile file;
    file.loops.reserve(loops->size());
    for (std::size_t index = 0; index < loops->size(); ++index) {
        std::string loopReason;
        auto loop = OpenLoop::fromJson((*loops)[index], loopReason);
        if (!loop) {
            reason = fmt::format("loop {}: {}", index, loopReason);
            return std::nullopt;
        }
        file.loops.push_back(std::move(*loop));
    }
    bool failed = false;
    file.lastRevealPath = optionalString(*root, "lastRevealPath", reason, failed);
    file.lastReceipt = optionalString(*root, "lastReceipt", reason, failed);
    if (failed) {
        return std::nullopt;
    }
    return file;
}

}  // namespace qm
