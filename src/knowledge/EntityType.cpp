#include "knowledge/EntityType.h"

namespace qm {

std::string_view rawValue(EntityType type)
{
    switch (type) {
    case EntityType::person:
        return "person";
    case EntityType::project:
        return "project";
    case EntityType::topic:
        return "topic";
    case EntityType::decision:
        return "decision";
    case EntityType::tool:
        return "tool";
    }
    return "person";
}

std::optional<EntityType> entityTypeFromRawValue(std::string_view text)
{
    for (const EntityType type : allEntityTypes) {
        if (rawValue(type) == text) {
            return type;
        }
    }
    return std::nullopt;
}

}  // namespace qm
