#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/Uuid.h"
#include "suggestions/SuggestionType.h"

namespace qm {

// One suggestion shown in the overlay. Identity, equality and hashing are the
// id alone: two models with the same id are equal whatever else they hold.
struct SuggestionModel {
    Uuid id = Uuid::random();
    SuggestionType type = SuggestionType::live;
    std::string title;
    // The detail line (a snippet, a pushed body, the proactive text).
    std::optional<std::string> body;
    // What accepting it hands on: a file path, a pushed action text, or empty.
    std::string action;
    // Lower values come first.
    std::int64_t priority = 0;
    // The key hint the provider numbers its suggestions with ("⌃1" ...).
    std::optional<std::string> shortcut;

    friend bool operator==(const SuggestionModel& a, const SuggestionModel& b) { return a.id == b.id; }
};

}  // namespace qm

template <> struct std::hash<qm::SuggestionModel> {
    std::size_t operator()(const qm::SuggestionModel& model) const noexcept
    {
        std::size_t seed = 0;
        for (const auto byte : model.id.bytes()) {
            seed = seed * 131 + byte;
        }
        return seed;
    }
};
