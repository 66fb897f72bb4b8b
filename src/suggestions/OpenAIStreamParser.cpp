#include "suggestions/OpenAIStreamParser.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "base/Json.h"

namespace qm {

std::optional<AIStreamEvent> OpenAIStreamParser::parseLine(std::string_view line)
{
    const auto data = eventData(line);
    if (!data) {
        return std::nullopt;
    }
    if (*data == "[DONE]") {
        return AIStreamEvent::done();
    }
    const auto object = json::parse(*data);
    if (!object || !object->is_object()) {
        return std::nullopt;
    }
    if (auto message = streamErrorMessage(*object)) {
        return AIStreamEvent::failure(std::move(*message));
    }
    // "choices" must be an array of objects, as a whole.
    const auto* choices = json::arrayAt(*object, "choices");
    if (!choices || choices->empty() ||
        !std::all_of(choices->begin(), choices->end(),
                     [](const auto& choice) { return choice.is_object(); })) {
        return std::nullopt;
    }
    const auto* delta = json::objectAt(choices->front(), "delta");
    if (!delta) {
        return std::nullopt;
    }
    auto content = json::stringAt(*delta, "content");
    if (!content) {
        return std::nullopt;
    }
    return AIStreamEvent::piece(std::move(*content));
}

}  // namespace qm
