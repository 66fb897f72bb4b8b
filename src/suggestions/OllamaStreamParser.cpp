#include "suggestions/OllamaStreamParser.h"

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Text.h"

namespace qm {

std::optional<AIStreamEvent> OllamaStreamParser::parseLine(std::string_view line)
{
    const std::string trimmedLine = text::trimmed(line);
    if (trimmedLine.empty()) {
        return std::nullopt;
    }
    const auto object = json::parse(trimmedLine);
    if (!object || !object->is_object()) {
        return std::nullopt;
    }
    if (auto message = streamErrorMessage(*object)) {
        return AIStreamEvent::failure(std::move(*message));
    }
    const auto* message = json::objectAt(*object, "message");
    if (!message) {
        return std::nullopt;
    }
    auto content = json::stringAt(*message, "content");
    if (!content) {
        return std::nullopt;
    }
    return AIStreamEvent::piece(std::move(*content));
}

}  // namespace qm
