#include "suggestions/AnthropicStreamParser.h"

#include <nlohmann/json.hpp>

#include "base/Json.h"

namespace qm {

std::optional<AIStreamEvent> AnthropicStreamParser::parseLine(std::string_view line)
{
    const auto data = eventData(line);
    if (!data) {
        return std::nullopt;
    }
    const auto object = json::parse(*data);
    if (!object || !object->is_object()) {
        return std::nullopt;
    }
    if (auto message = streamErrorMessage(*object)) {
        return AIStreamEvent::failure(std::move(*message));
    }
    const auto* delta = json::objectAt(*object, "delta");
    if (!delta) {
        return std::nullopt;
    }
    auto text = json::stringAt(*delta, "text");
    if (!text) {
        return std::nullopt;
    }
    return AIStreamEvent::piece(std::move(*text));
}

}  // namespace qm
