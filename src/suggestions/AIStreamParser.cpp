#include "suggestions/AIStreamParser.h"

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Text.h"

namespace qm {

std::vector<AIStreamEvent> AIStreamParser::feed(std::string_view bytes)
{
    if (finished_) {
        return {};
    }
    return parseLines(lines_.feed(bytes));
}

std::vector<AIStreamEvent> AIStreamParser::finish()
{
    if (finished_) {
        return {};
    }
    return parseLines(lines_.finish());
}

std::vector<AIStreamEvent> AIStreamParser::parseLines(std::vector<std::string> lines)
{
    std::vector<AIStreamEvent> events;
    for (const auto& line : lines) {
        auto event = parseLine(line);
        if (!event) {
            continue;
        }
        const bool terminal = event->kind != AIStreamEvent::Kind::text;
        events.push_back(std::move(*event));
        if (terminal) {
            finished_ = true;
            break;
        }
    }
    return events;
}

std::optional<std::string> AIStreamParser::eventData(std::string_view line)
{
    constexpr std::string_view kPrefix = "data: ";
    if (line.substr(0, kPrefix.size()) != kPrefix) {
        return std::nullopt;
    }
    return text::trimmed(line.substr(kPrefix.size()));
}

std::optional<std::string> AIStreamParser::streamErrorMessage(const nlohmann::json& object)
{
    const auto error = object.find("error");
    if (error != object.end() && !error->is_null()) {
        if (error->is_string()) {
            return error->get<std::string>();
        }
        if (auto message = json::stringAt(*error, "message")) {
            return message;
        }
        return json::serialize(*error);
    }
    if (json::stringAt(object, "type") == "error") {
        return json::serialize(object);
    }
    return std::nullopt;
}

}  // namespace qm
