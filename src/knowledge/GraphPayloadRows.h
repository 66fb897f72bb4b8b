#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "store/DatabaseManager.h"

namespace qm {

// The node and edge objects of a graph payload: the database's rows under
// their column names ("id", "type", "name", "properties", "created_at", ...).
class GraphPayloadRows {
public:
    GraphPayloadRows() = delete;

    // One object per row; a row without properties has no "properties" key.
    static nlohmann::json toJson(const DatabaseManager::GraphRecords& rows);

    // True for an array whose entries are all objects; false for null.
    static bool isArrayOfObjects(const nlohmann::json* value);

    // True when the row's properties hold "team_id" canonically equal to `teamId`.
    static bool belongsToTeam(const DatabaseManager::GraphRecord& row, const std::string& teamId);

    // Saves every well-formed node object, then every well-formed edge object,
    // in array order; malformed objects are skipped and refused rows dropped
    // (the database logs them). With a team, each saved entry's "team_id"
    // becomes that team. Returns how many rows the database stored.
    static int merge(DatabaseManager& database, const nlohmann::json& nodes, const nlohmann::json& edges,
                     const std::optional<std::string>& teamId);
};

}  // namespace qm
