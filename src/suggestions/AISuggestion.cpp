#include "suggestions/AISuggestion.h"

#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "suggestions/AIDecodingError.h"

namespace qm {

namespace {

[[noreturn]] void missing(std::string_view key)
{
    throw AIDecodingError("No valid value for the key \"" + std::string(key) + "\".");
}

std::string requiredString(const nlohmann::json& object, std::string_view key)
{
    auto value = json::stringAt(object, key);
    if (!value) {
        missing(key);
    }
    return std::move(*value);
}

}  // namespace

nlohmann::json AISuggestion::toJson() const
{
    return nlohmann::json{{"id", id.string()},
                          {"text", text},
                          {"provider", provider},
                          {"model", model},
                          {"originalPrompt", originalPrompt},
                          {"actionType", actionType},
                          {"timestamp", timestamp},
                          {"estimatedTokens", estimatedTokens}};
}

AISuggestion AISuggestion::fromJson(const nlohmann::json& object)
{
    if (!object.is_object()) {
        throw AIDecodingError("Expected to decode a suggestion object but found another type.");
    }
    const auto id = Uuid::fromString(requiredString(object, "id"));
    if (!id) {
        missing("id");
    }
    AISuggestion suggestion;
    suggestion.id = *id;
    suggestion.text = requiredString(object, "text");
    suggestion.provider = requiredString(object, "provider");
    suggestion.model = requiredString(object, "model");
    suggestion.originalPrompt = requiredString(object, "originalPrompt");
    suggestion.actionType = requiredString(object, "actionType");
    const auto timestamp = json::numberAt(object, "timestamp");
    if (!timestamp) {
        missing("timestamp");
    }
    suggestion.timestamp = *timestamp;
    const auto tokens = json::integerAt(object, "estimatedTokens");
    if (!tokens) {
        missing("estimatedTokens");
    }
    suggestion.estimatedTokens = *tokens;
    return suggestion;
}

}  // namespace qm
