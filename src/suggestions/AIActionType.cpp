#include "suggestions/AIActionType.h"

#include <array>

#include <nlohmann/json.hpp>

#include "suggestions/AIDecodingError.h"

namespace qm {

namespace {

struct CaseNames {
    AIActionType::Kind kind;
    const char* key;
    const char* valueKey;  // null for the cases without a value
};

constexpr std::array<CaseNames, 5> kCases{{
    {AIActionType::Kind::rewrite, "rewrite", "style"},
    {AIActionType::Kind::explain, "explain", nullptr},
    {AIActionType::Kind::summarize, "summarize", nullptr},
    {AIActionType::Kind::translate, "translate", "lang"},
    {AIActionType::Kind::custom, "custom", "prompt"},
}};

const CaseNames& namesOf(AIActionType::Kind kind)
{
    return kCases[static_cast<std::size_t>(kind)];
}

AIActionType make(AIActionType::Kind kind, std::string value)
{
    switch (kind) {
    case AIActionType::Kind::rewrite:
        return AIActionType::rewrite(std::move(value));
    case AIActionType::Kind::explain:
        return AIActionType::explain();
    case AIActionType::Kind::summarize:
        return AIActionType::summarize();
    case AIActionType::Kind::translate:
        return AIActionType::translate(std::move(value));
    case AIActionType::Kind::custom:
        break;
    }
    return AIActionType::custom(std::move(value));
}

}  // namespace

std::string AIActionType::label() const
{
    switch (kind_) {
    case Kind::rewrite:
        return "Rewrite (" + value_ + ")";
    case Kind::explain:
        return "Explain";
    case Kind::summarize:
        return "Summarize";
    case Kind::translate:
        return "Translate (" + value_ + ")";
    case Kind::custom:
        break;
    }
    return "Prompt: " + value_;
}

std::string_view AIActionType::iconName() const
{
    switch (kind_) {
    case Kind::rewrite:
        return "pencil.and.outline";
    case Kind::explain:
        return "questionmark.circle";
    case Kind::summarize:
        return "doc.text";
    case Kind::translate:
        return "character.book.closed";
    case Kind::custom:
        break;
    }
    return "sparkles";
}

nlohmann::json AIActionType::toJson() const
{
    const auto& names = namesOf(kind_);
    auto inner = nlohmann::json::object();
    if (names.valueKey) {
        inner[names.valueKey] = value_;
    }
    return nlohmann::json{{names.key, std::move(inner)}};
}

AIActionType AIActionType::fromJson(const nlohmann::json& object)
{
    static const std::string kWrongCount = "Invalid number of keys found, expected one.";
    if (!object.is_object()) {
        throw AIDecodingError("Expected to decode an action object but found another type.");
    }
    const CaseNames* found = nullptr;
    int recognised = 0;
    for (const auto& names : kCases) {
        if (object.contains(names.key)) {
            found = &names;
            ++recognised;
        }
    }
    if (recognised != 1) {
        throw AIDecodingError(kWrongCount);
    }
    const auto& inner = object.at(found->key);
    if (!inner.is_object()) {
        throw AIDecodingError(std::string("Expected an object for the action \"") + found->key + "\".");
    }
    std::string value;
    if (found->valueKey) {
        const auto member = inner.find(found->valueKey);
        if (member == inner.end() || !member->is_string()) {
            throw AIDecodingError(std::string("No text value for the key \"") + found->valueKey + "\".");
        }
        value = member->get<std::string>();
    }
    return make(found->kind, std::move(value));
}

std::size_t AIActionType::hash() const
{
    std::size_t seed = std::hash<int>()(static_cast<int>(kind_));
    if (namesOf(kind_).valueKey) {
        seed ^= std::hash<std::string>()(value_) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    }
    return seed;
}

}  // namespace qm
