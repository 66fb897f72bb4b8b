#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace qm {

// What the user asks the language model to do with a text. The style, language
// and prompt are kept exactly as given: never trimmed or escaped.
class AIActionType {
public:
    // In declaration order; the order number feeds the hash.
    enum class Kind { rewrite, explain, summarize, translate, custom };

    static AIActionType rewrite(std::string style) { return {Kind::rewrite, std::move(style)}; }
    static AIActionType explain() { return {Kind::explain, {}}; }
    static AIActionType summarize() { return {Kind::summarize, {}}; }
    static AIActionType translate(std::string lang) { return {Kind::translate, std::move(lang)}; }
    static AIActionType custom(std::string prompt) { return {Kind::custom, std::move(prompt)}; }

    Kind kind() const { return kind_; }
    // The style, language or prompt; empty for explain and summarize.
    const std::string& value() const { return value_; }

    // "Rewrite (Professional)", "Explain", "Summarize", "Translate (German)",
    // "Prompt: " + prompt.
    std::string label() const;
    // The symbol shown beside the label in the quick-action row.
    std::string_view iconName() const;

    // One member named after the case holding the associated value under its
    // label: {"rewrite": {"style": s}}, {"explain": {}} ...
    nlohmann::json toJson() const;
    // Throws AIDecodingError: "Invalid number of keys found, expected one." when
    // the object does not name exactly one action, or when the action's object
    // lacks its text member.
    static AIActionType fromJson(const nlohmann::json& object);

    friend bool operator==(const AIActionType& a, const AIActionType& b)
    {
        return a.kind_ == b.kind_ && a.value_ == b.value_;
    }

    std::size_t hash() const;

private:
    AIActionType(Kind kind, std::string value) : kind_(kind), value_(std::move(value)) {}

    Kind kind_;
    std::string value_;
};

}  // namespace qm

template <> struct std::hash<qm::AIActionType> {
    std::size_t operator()(const qm::AIActionType& action) const noexcept { return action.hash(); }
};
