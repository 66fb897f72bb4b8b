#include "knowledge/RelationshipEdge.h"

#include <nlohmann/json.hpp>

#include "knowledge/GraphRecordHash.h"
#include "platform/runtime/Clock.h"

namespace qm {

RelationshipEdge::RelationshipEdge(std::string id, std::string source, std::string target,
                                   std::string relationship, Properties properties, double createdAt)
    : id_(std::move(id)), source_(std::move(source)), target_(std::move(target)),
      relationship_(std::move(relationship)), properties_(std::move(properties)), createdAt_(createdAt)
{
}

RelationshipEdge::RelationshipEdge(std::string id, std::string source, std::string target,
                                   std::string relationship, const Clock& clock, Properties properties)
    : RelationshipEdge(std::move(id), std::move(source), std::move(target), std::move(relationship),
                       std::move(properties), clock.now())
{
}

nlohmann::json RelationshipEdge::toJson() const
{
    return {{"id", id_},
            {"source", source_},
            {"target", target_},
            {"relationship", relationship_},
            {"properties", properties_},
            {"createdAt", createdAt_}};
}

std::optional<RelationshipEdge> RelationshipEdge::fromJson(const nlohmann::json& json)
{
    if (!json.is_object()) {
        return std::nullopt;
    }
    const auto text = [&](const char* key) -> const std::string* {
        const auto found = json.find(key);
        return found != json.end() && found->is_string() ? &found->get_ref<const std::string&>() : nullptr;
    };
    const auto* id = text("id");
    const auto* source = text("source");
    const auto* target = text("target");
    const auto* relationship = text("relationship");
    const auto properties = json.find("properties");
    const auto createdAt = json.find("createdAt");
    if (!id || !source || !target || !relationship || properties == json.end() || !properties->is_object() ||
        createdAt == json.end() || !createdAt->is_number()) {
        return std::nullopt;
    }
    Properties map;
    for (const auto& [key, value] : properties->items()) {
        if (!value.is_string()) {
            return std::nullopt;
        }
        map.emplace(key, value.get<std::string>());
    }
    return RelationshipEdge(*id, *source, *target, *relationship, std::move(map), createdAt->get<double>());
}

std::size_t RelationshipEdge::hash() const
{
    std::size_t seed = 0;
    graphhash::addText(seed, id_);
    graphhash::addText(seed, source_);
    graphhash::addText(seed, target_);
    graphhash::addText(seed, relationship_);
    graphhash::addProperties(seed, properties_);
    graphhash::addTime(seed, createdAt_);
    return seed;
}

}  // namespace qm
