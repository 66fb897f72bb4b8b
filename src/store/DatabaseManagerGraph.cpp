#include "store/DatabaseManager.h"

#include "base/Log.h"
#include "platform/runtime/Clock.h"

#include <nlohmann/json.hpp>

namespace qm {

namespace {

// Compact JSON of the map; "{}" when it cannot be written (text that is not UTF-8).
std::string propertiesText(const DatabaseManager::StringMap& properties)
{
    try {
        return nlohmann::json(properties).dump();
    } catch (const nlohmann::json::exception&) {
        return "{}";
    }
}

// Anything but a JSON object whose values are all strings reads as an empty map.
DatabaseManager::StringMap decodeProperties(const std::string& text)
{
    const auto json = nlohmann::json::parse(text, nullptr, false);
    DatabaseManager::StringMap properties;
    if (!json.is_object()) {
        return properties;
    }
    for (const auto& [key, value] : json.items()) {
        if (!value.is_string()) {
            return {};
        }
        properties.emplace(key, value.get<std::string>());
    }
    return properties;
}

}  // namespace

bool DatabaseManager::saveGraphRecord(const std::string& sql, const std::vector<std::string>& texts,
                                      const std::vector<double>& times, const std::string& logPrefix)
{
    return dbQueue_.syncResult([&] {
        auto statement = prepare(sql);
        if (!statement) {
            return false;
        }
        int index = 1;
        for (const auto& text : texts) {
            statement.bindText(index++, text);
        }
        for (double time : times) {
            statement.bindDouble(index++, time);
        }
        if (!statement.run()) {
            Log::log(logPrefix + errorMessage());
            return false;
        }
        return true;
    });
}

// A save under an existing id keeps the stored type and created_at.
bool DatabaseManager::saveNode(const std::string& id, const std::string& type, const std::string& name,
                               const StringMap& properties, double createdAt, double updatedAt)
{
    return saveGraphRecord("INSERT INTO kg_nodes (id, type, name, properties, created_at, updated_at)\n"
                           "VALUES (?, ?, ?, ?, ?, ?)\n"
                           "ON CONFLICT(id) DO UPDATE SET\n"
                           "name = excluded.name,\n"
                           "properties = excluded.properties,\n"
                           "updated_at = excluded.updated_at;",
                           {id, type, name, propertiesText(properties)}, {createdAt, updatedAt},
                           "❌ SQLite Error Node Save: ");
}

// A save under an existing id replaces only the properties.
bool DatabaseManager::saveEdge(const std::string& id, const std::string& source, const std::string& target,
                               const std::string& relationship, const StringMap& properties, double createdAt)
{
    return saveGraphRecord("INSERT INTO kg_edges (id, source, target, relationship, properties, created_at)\n"
                           "VALUES (?, ?, ?, ?, ?, ?)\n"
                           "ON CONFLICT(id) DO UPDATE SET\n"
                           "properties = excluded.properties;",
                           {id, source, target, relationship, propertiesText(properties)}, {createdAt},
                           "❌ SQLite Error Edge Save: ");
}

bool DatabaseManager::deleteNode(const std::string& id)
{
    return executeNonQueryWithParams("DELETE FROM kg_nodes WHERE id = ?;", {id});
}

bool DatabaseManager::deleteEdge(const std::string& id)
{
    return executeNonQueryWithParams("DELETE FROM kg_edges WHERE id = ?;", {id});
}

// The statement's columns are the text columns, then properties, then the time columns.
// A NULL text or properties column leaves its key out; a NULL time reads as 0.
DatabaseManager::GraphRecords DatabaseManager::fetchGraphRecords(const std::string& sql,
                                                                 const std::vector<std::string>& textColumns,
                                                                 const std::vector<std::string>& timeColumns)
{
    return dbQueue_.syncResult([&] {
        GraphRecords records;
        auto statement = prepare(sql);
        if (!statement) {
            return records;
        }
        while (statement.step() == SqliteStatement::Step::row) {
            GraphRecord record;
            int column = 0;
            for (const auto& key : textColumns) {
                if (!statement.columnIsNull(column)) {
                    record[key] = statement.columnText(column);
                }
                ++column;
            }
            if (!statement.columnIsNull(column)) {
                record["properties"] = decodeProperties(statement.columnText(column));
            }
            for (const auto& key : timeColumns) {
                record[key] = statement.columnDouble(++column);
            }
            records.push_back(std::move(record));
        }
        return records;
    });
}

DatabaseManager::GraphRecords DatabaseManager::fetchNodes()
{
    return fetchGraphRecords("SELECT id, type, name, properties, created_at, updated_at FROM kg_nodes;",
                             {"id", "type", "name"}, {"created_at", "updated_at"});
}

DatabaseManager::GraphRecords DatabaseManager::fetchEdges()
{
    return fetchGraphRecords("SELECT id, source, target, relationship, properties, created_at FROM kg_edges;",
                             {"id", "source", "target", "relationship"}, {"created_at"});
}

bool DatabaseManager::clearKnowledgeGraph()
{
    const bool edges = executeNonQuery("DELETE FROM kg_edges;");
    const bool nodes = executeNonQuery("DELETE FROM kg_nodes;");
    return edges && nodes;
}

bool DatabaseManager::saveSyncMetadata(const std::string& key, const std::string& value)
{
    return dbQueue_.syncResult([&] {
        auto statement = prepare("INSERT INTO sync_metadata (key, value, updated_at)\n"
                                 "VALUES (?, ?, ?)\n"
                                 "ON CONFLICT(key) DO UPDATE SET\n"
                                 "value = excluded.value,\n"
                                 "updated_at = excluded.updated_at;");
        if (!statement) {
            return false;
        }
        statement.bindText(1, key);
        statement.bindText(2, value);
        statement.bindDouble(3, clock_.now());
        if (!statement.run()) {
            Log::print("❌ SQLite Error Sync Metadata Save: " + errorMessage());
            return false;
        }
        return true;
    });
}

std::optional<std::string> DatabaseManager::fetchSyncMetadata(const std::string& key)
{
    return dbQueue_.syncResult([&]() -> std::optional<std::string> {
        auto statement = prepare("SELECT value FROM sync_metadata WHERE key = ?;");
        if (!statement) {
            return std::nullopt;
        }
        statement.bindText(1, key);
        if (statement.step() != SqliteStatement::Step::row || statement.columnIsNull(0)) {
            return std::nullopt;
        }
        return statement.columnText(0);
    });
}

}  // namespace qm
