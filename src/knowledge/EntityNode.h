#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "knowledge/EntityType.h"
#include "store/DatabaseManager.h"

namespace qm {

class Clock;

// One node of the knowledge graph: a person, project, topic, decision or tool.
// A plain value; only its properties can change after it is made. Times are
// seconds since 1970, never date objects.
class EntityNode {
public:
    using Properties = std::map<std::string, std::string>;

    EntityNode(std::string id, EntityType type, std::string name, Properties properties, double createdAt,
               double updatedAt);
    // Both times read from `clock`, one reading each.
    EntityNode(std::string id, EntityType type, std::string name, const Clock& clock,
               Properties properties = {});

    const std::string& id() const { return id_; }
    EntityType type() const { return type_; }
    const std::string& name() const { return name_; }
    const Properties& properties() const { return properties_; }
    Properties& properties() { return properties_; }
    double createdAt() const { return createdAt_; }
    double updatedAt() const { return updatedAt_; }

    // The keyed form: exactly "id", "type" (its raw text), "name", "properties"
    // (an object of texts), "createdAt" and "updatedAt" (numbers).
    nlohmann::json toJson() const;
    // Nothing unless every key is there with its type and "type" is one of the
    // five kinds; other keys are ignored.
    static std::optional<EntityNode> fromJson(const nlohmann::json& json);

    // A row as the database reads it back ("id", "type", "name", "properties",
    // "created_at", "updated_at"). Nothing unless all six are there with their
    // types and the kind is known: such a row is skipped, never repaired.
    static std::optional<EntityNode> fromRecord(const DatabaseManager::GraphRecord& record);

    // Every field takes part, not the id alone.
    friend bool operator==(const EntityNode&, const EntityNode&) = default;
    std::size_t hash() const;

private:
    std::string id_;
    EntityType type_;
    std::string name_;
    Properties properties_;
    double createdAt_;
    double updatedAt_;
};

}  // namespace qm

template <> struct std::hash<qm::EntityNode> {
    std::size_t operator()(const qm::EntityNode& node) const noexcept { return node.hash(); }
};
