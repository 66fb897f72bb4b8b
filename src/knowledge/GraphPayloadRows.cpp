#include "knowledge/GraphPayloadRows.h"

#include <map>
#include <variant>

#include "base/Json.h"
#include "base/Text.h"

namespace qm {

namespace {

using StringMap = DatabaseManager::StringMap;

// An exported row whose properties column was NULL carries no "properties":
// it reads as empty. A present value of the wrong kind makes the entry malformed.
std::optional<StringMap> propertiesOf(const nlohmann::json& object, const std::optional<std::string>& teamId)
{
    std::optional<StringMap> properties;
    if (object.is_object() && object.contains("properties")) {
        properties = json::stringMapAt(object, "properties");
    } else {
        properties.emplace();
    }
    if (properties && teamId) {
        (*properties)["team_id"] = *teamId;
    }
    return properties;
}

bool mergeNode(DatabaseManager& database, const nlohmann::json& node,
               const std::optional<std::string>& teamId)
{
    const auto id = json::stringAt(node, "id");
    const auto type = json::stringAt(node, "type");
    const auto name = json::stringAt(node, "name");
    const auto properties = propertiesOf(node, teamId);
    const auto createdAt = json::numberAt(node, "created_at");
    const auto updatedAt = json::numberAt(node, "updated_at");
    if (!id || !type || !name || !properties || !createdAt || !updatedAt) {
        return false;
    }
    return database.saveNode(*id, *type, *name, *properties, *createdAt, *updatedAt);
}

bool mergeEdge(DatabaseManager& database, const nlohmann::json& edge,
               const std::optional<std::string>& teamId)
{
    const auto id = json::stringAt(edge, "id");
    const auto source = json::stringAt(edge, "source");
    const auto target = json::stringAt(edge, "target");
    const auto relationship = json::stringAt(edge, "relationship");
    const auto properties = propertiesOf(edge, teamId);
    const auto createdAt = json::numberAt(edge, "created_at");
    if (!id || !source || !target || !relationship || !properties || !createdAt) {
        return false;
    }
    return database.saveEdge(*id, *source, *target, *relationship, *properties, *createdAt);
}

}  // namespace

nlohmann::json GraphPayloadRows::toJson(const DatabaseManager::GraphRecords& rows)
{
    auto array = nlohmann::json::array();
    for (const auto& row : rows) {
        auto object = nlohmann::json::object();
        for (const auto& entry : row) {
            auto& slot = object[entry.first];
            std::visit([&slot](const auto& value) { slot = value; }, entry.second);
        }
        array.push_back(std::move(object));
    }
    return array;
}

bool GraphPayloadRows::isArrayOfObjects(const nlohmann::json* value)
{
    if (value == nullptr || !value->is_array()) {
        return false;
    }
    for (const auto& entry : *value) {
        if (!entry.is_object()) {
            return false;
        }
    }
    return true;
}

bool GraphPayloadRows::belongsToTeam(const DatabaseManager::GraphRecord& row, const std::string& teamId)
{
    const auto properties = row.find("properties");
    if (properties == row.end()) {
        return false;
    }
    const auto* map = std::get_if<StringMap>(&properties->second);
    if (map == nullptr) {
        return false;
    }
    const auto team = map->find("team_id");
    return team != map->end() && text::canonicallyEqual(team->second, teamId);
}

int GraphPayloadRows::merge(DatabaseManager& database, const nlohmann::json& nodes,
                            const nlohmann::json& edges, const std::optional<std::string>& teamId)
{
    int stored = 0;
    for (const auto& node : nodes) {
        stored += mergeNode(database, node, teamId) ? 1 : 0;
    }
    for (const auto& edge : edges) {
        stored += mergeEdge(database, edge, teamId) ? 1 : 0;
    }
    return stored;
}

}  // namespace qm
