#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace qm {

// The kind of a knowledge-graph node. Stored and sent as its raw text.
enum class EntityType { person, project, topic, decision, tool };

// In declaration order.
inline constexpr std::array<EntityType, 5> allEntityTypes = {
    EntityType::person, EntityType::project, EntityType::topic, EntityType::decision, EntityType::tool};

// "person", "project", "topic", "decision", "tool".
std::string_view rawValue(EntityType type);

// Exact, case-sensitive match against the five raw texts; anything else
// ("Person", "people", "") is no kind at all.
std::optional<EntityType> entityTypeFromRawValue(std::string_view text);

}  // namespace qm
