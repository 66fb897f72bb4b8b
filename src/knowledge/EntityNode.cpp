#include "knowledge/EntityNode.h"

#include <nlohmann/json.hpp>

#include "knowledge/GraphRecordHash.h"
#include "platform/runtime/Clock.h"

namespace qm {

namespace {

const std::string* textIn(const DatabaseManager::GraphRecord& record, const std::string& key)
{
    const auto found = record.find(key);
    return found == record.end() ? nullptr : std::get_if<std::string>(&found->second);
}

const double* timeIn(const DatabaseManager::GraphRecord& record, const std::string& key)
{
    const auto found = record.find(key);
    return found == record.end() ? nullptr : std::get_if<double>(&found->second);
}

}  // namespace

EntityNode::EntityNode(std::string id, EntityType type, std::string name, Properties properties,
                       double createdAt, double updatedAt)
    : id_(std::move(id)), type_(type), name_(std::move(name)), properties_(std::move(properties)),
      createdAt_(createdAt), updatedAt_(updatedAt)
{
}

EntityNode::EntityNode(std::string id, EntityType type, std::string name, const Clock& clock,
                       Properties properties)
    : EntityNode(std::move(id), type, std::move(name), std::move(properties), clock.now(), clock.now())
{
}

nlohmann::json EntityNode::toJson() const
{
    return {{"id", id_},
            {"type", rawValue(type_)},
            {"name", name_},
            {"properties", properties_},
            {"createdAt", createdAt_},
            {"updatedAt", updatedAt_}};
}

std::optional<EntityNode> EntityNode::fromJson(const nlohmann::json& json)
{
    if (!json.is_object()) {
        return std::nullopt;
    }
    const auto member = [&](const char* key) -> const nlohmann::json* {
        const auto found = json.find(key);
        return found == json.end() ? nullptr : &*found;
    };
    const auto* id = member("id");
    const auto* type = member("type");
    const auto* name = member("name");
    const auto* properties = member("properties");
    const auto* createdAt = member("createdAt");
    const auto* updatedAt = member("updatedAt");
    if (!id || !id->is_string() || !type || !type->is_string() || !name || !name->is_string() ||
        !properties || !properties->is_object() || !createdAt || !createdAt->is_number() || !updatedAt ||
        !updatedAt->is_number()) {
        return std::nullopt;
    }
    const auto kind = entityTypeFromRawValue(type->get_ref<const std::string&>());
    if (!kind) {
        return std::nullopt;
    }
    Properties map;
    for (const auto& [key, value] : properties->items()) {
        if (!value.is_string()) {
            return std::nullopt;
        }
        map.emplace(key, value.get<std::string>());
    }
    return EntityNode(id->get<std::string>(), *kind, name->get<std::string>(), std::move(map),
                      createdAt->get<double>(), updatedAt->get<double>());
}

std::optional<EntityNode> EntityNode::fromRecord(const DatabaseManager::GraphRecord& record)
{
    const std::string* id = textIn(record, "id");
    const std::string* type = textIn(record, "type");
    const std::string* name = textIn(record, "name");
    const double* createdAt = timeIn(record, "created_at");
    const double* updatedAt = timeIn(record, "updated_at");
    const auto properties = record.find("properties");
    if (!id || !type || !name || !createdAt || !updatedAt || properties == record.end()) {
        return std::nullopt;
    }
    const auto* map = std::get_if<DatabaseManager::StringMap>(&properties->second);
    const auto kind = entityTypeFromRawValue(*type);
    if (!map || !kind) {
        return std::nullopt;
    }
    return EntityNode(*id, *kind, *name, *map, *createdAt, *updatedAt);
}

std::size_t EntityNode::hash() const
{
    std::size_t seed = 0;
    graphhash::addText(seed, id_);
    graphhash::addText(seed, rawValue(type_));
    graphhash::addText(seed, name_);
    graphhash::addProperties(seed, properties_);
    graphhash::addTime(seed, createdAt_);
    graphhash::addTime(seed, updatedAt_);
    return seed;
}

}  // namespace qm
