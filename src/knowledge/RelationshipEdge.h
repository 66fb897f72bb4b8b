#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace qm {

class Clock;

// One edge of the knowledge graph: a named relation from one node id to
// another. A plain value; only its properties can change after it is made.
class RelationshipEdge {
public:
    using Properties = std::map<std::string, std::string>;

    RelationshipEdge(std::string id, std::string source, std::string target, std::string relationship,
                     Properties properties, double createdAt);
    // The creation time read from `clock`.
    RelationshipEdge(std::string id, std::string source, std::string target, std::string relationship,
                     const Clock& clock, Properties properties = {});

    const std::string& id() const { return id_; }
    const std::string& source() const { return source_; }
    const std::string& target() const { return target_; }
    const std::string& relationship() const { return relationship_; }
    const Properties& properties() const { return properties_; }
    Properties& properties() { return properties_; }
    double createdAt() const { return createdAt_; }

    // The keyed form: exactly "id", "source", "target", "relationship",
    // "properties" (an object of texts) and "createdAt" (a number).
    nlohmann::json toJson() const;
    // Nothing unless every key is there with its type; other keys are ignored.
    static std::optional<RelationshipEdge> fromJson(const nlohmann::json& json);

    // Every field takes part, not the id alone.
    friend bool operator==(const RelationshipEdge&, const RelationshipEdge&) = default;
    std::size_t hash() const;

private:
    std::string id_;
    std::string source_;
    std::string target_;
    std::string relationship_;
    Properties properties_;
    double createdAt_;
};

}  // namespace qm

template <> struct std::hash<qm::RelationshipEdge> {
    std::size_t operator()(const qm::RelationshipEdge& edge) const noexcept { return edge.hash(); }
};
