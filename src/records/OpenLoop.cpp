#include "records/OpenLoop.h"

#include <cmath>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace qm {

namespace {

// Reads members as the platform's decoder does: a required member must be
// present, not null and of its type; an optional one may also be null or absent.
class Reader {
public:
    Reader(const nlohmann::json& object, std::string& reason) : object_(object), reason_(reason) {}

    bool failed() const { return failed_; }

    std::string string(const char* key)
    {
        const nlohmann::json* value = member(key);
        if (value && !value->is_string()) {
            fail(key, "is not a string");
        }
        return value && value->is_string() ? value->get<std::string>() : std::string();
    }

    std::optional<std::string> optionalString(const char* key)
    {
        const auto found = object_.find(key);
        if (found == object_.end() || found->is_null()) {
            return std::nullopt;
        }
        if (!found->is_string()) {
            fail(key, "is not a string");
            return std::nullopt;
        }
        return found->get<std::string>();
    }

    bool boolean(const char* key)
    {
        const nlohmann::json* value = member(key);
        if (value && !value->is_boolean()) {
            fail(key, "is not a Boolean");
        }
        return value && value->is_boolean() && value->get<bool>();
    }

    double number(const char* key)
    {
        const nlohmann::json* value = member(key);
        if (!value) {
            return 0;
        }
        if (!value->is_number() || !std::isfinite(value->get<double>())) {
            fail(key, "is not a number");
            return 0;
        }
        return value->get<double>();
    }

    std::vector<std::string> strings(const char* key)
    {
        std::vector<std::string> result;
        const nlohmann::json* value = member(key);
        if (!value) {
            return result;
        }
        if (!value->is_array()) {
            fail(key, "is not an array");
            return result;
        }
        for (const auto& element : *value) {
            if (!element.is_string()) {
                fail(key, "holds a value that is not a string");
                return {};
            }
            result.push_back(element.get<std::string>());
        }
        return result;
    }

private:
    const nlohmann::json* member(const char* key)
    {
        const auto found = object_.find(key);
        if (found == object_.end() || found->is_null()) {
            fail(key, "is missing");
            return nullptr;
        }
        return &*found;
    }

    void fail(const char* key, const char* problem)
    {
        if (!failed_) {
            reason_ = fmt::format("\"{}\" {}", key, problem);
        }
        failed_ = true;
    }

    const nlohmann::json& object_;
    std::string& reason_;
    bool failed_ = false;
};

}  // namespace

nlohmann::json OpenLoop::toJson() const
{
    nlohmann::json object{
        {"id", id.string()},          {"text", text},           {"action", action},
        {"target", target},           {"receipt", receipt},     {"appName", appName},
        {"windowTitle", windowTitle}, {"cueTokens", cueTokens}, {"createdAt", createdAt},
        {"closed", closed},           {"departed", departed},
    };
    if (revealPath) {
        object["revealPath"] = *revealPath;
    }
    if (bundleId) {
        object["bundleId"] = *bundleId;
    }
    return object;
}

std::optional<OpenLoop> OpenLoop::fromJson(const nlohmann::json& object, std::string& reason)
{
    if (!object.is_object()) {
        reason = "a loop is not an object";
        return std::nullopt;
    }
    Reader read(object, reason);
    const std::string idText = read.string("id");
    OpenLoop loop;
    loop.text = read.string("text");
    loop.action = read.string("action");
    loop.target = read.string("target");
    loop.receipt = read.string("receipt");
    loop.revealPath = read.optionalString("revealPath");
    loop.appName = read.string("appName");
    loop.bundleId = read.optionalString("bundleId");
    loop.windowTitle = read.string("windowTitle");
    loop.cueTokens = read.strings("cueTokens");
    loop.createdAt = read.number("createdAt");
    loop.closed = read.boolean("closed");
    loop.departed = read.boolean("departed");
    if (read.failed()) {
        return std::nullopt;
    }
    const auto id = Uuid::fromString(idText);
    if (!id) {
        reason = "\"id\" is not a UUID";
        return std::nullopt;
    }
    loop.id = *id;
    return loop;
}

}  // namespace qm
