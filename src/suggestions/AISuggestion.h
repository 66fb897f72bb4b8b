#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "base/Uuid.h"

namespace qm {

// One whole answer of the AI engine, as the MCP handler returns it.
struct AISuggestion {
    Uuid id = Uuid::random();
    std::string text;
    // The engine's provider at the time: the service's display name ("OpenAI")
    // for a fresh answer, the settings name ("openai") for a cached one.
    std::string provider;
    std::string model;
    // The caller's prompt, before any context or instruction was added.
    std::string originalPrompt;
    // The label of the action asked for ("Rewrite (Casual)").
    std::string actionType;
    // When the record was made, seconds since 1970, from the engine's clock.
    double timestamp = 0;
    std::int64_t estimatedTokens = 0;

    // The eight fields under their own names; "id" in the standard UUID text,
    // "timestamp" as seconds since 1970.
    nlohmann::json toJson() const;
    // Throws AIDecodingError when a key is missing or holds the wrong type.
    static AISuggestion fromJson(const nlohmann::json& object);

    friend bool operator==(const AISuggestion&, const AISuggestion&) = default;
};

}  // namespace qm
