#include "store/DatabaseManager.h"

#include "base/Log.h"
#include "base/Text.h"
#include "platform/runtime/Clock.h"

#include <sqlite3.h>

namespace qm {

namespace {

// SQLite treats NULLs as distinct in a UNIQUE key, so the insert's ON CONFLICT
// never fires for a value without domain or label. The update matches NULLs
// with IS and runs first; the insert only adds what the update did not find.
constexpr const char* kFieldMemoryUpdate = "UPDATE field_memory SET frequency = frequency + 1, last_used = ? "
                                           "WHERE field_context = ? AND app_bundle_id = ? "
                                           "AND domain IS ? AND field_label IS ? AND value_hash = ?";

constexpr const char* kFieldMemoryInsert =
    "INSERT INTO field_memory (field_context, app_bundle_id, domain, field_label, value_hash, "
    "value_encrypted, "
    "frequency, last_used)\n"
    "VALUES (?, ?, ?, ?, ?, ?, 1, ?)\n"
    "ON CONFLICT(field_context, app_bundle_id, domain, field_label, value_hash) DO UPDATE SET\n"
    "frequency = frequency + 1,\n"
    "last_used = ?;";

}  // namespace

std::future<bool> DatabaseManager::insertFieldMemory(const std::string& fieldContext,
                                                     const std::string& appBundleId,
                                                     const std::optional<std::string>& domain,
                                                     const std::optional<std::string>& fieldLabel,
                                                     const std::string& valueHash,
                                                     const std::string& valueEncryptedBase64)
{
    auto stored = std::make_shared<std::promise<bool>>();
    auto result = stored->get_future();
    dbQueue_.async(
        [this, stored, fieldContext, appBundleId, domain, fieldLabel, valueHash, valueEncryptedBase64] {
            stored->set_value(upsertFieldMemory(fieldContext, appBundleId, domain, fieldLabel, valueHash,
                                                valueEncryptedBase64));
        });
    return result;
}

bool DatabaseManager::upsertFieldMemory(const std::string& fieldContext, const std::string& appBundleId,
                                        const std::optional<std::string>& domain,
                                        const std::optional<std::string>& fieldLabel,
                                        const std::string& valueHash, const std::string& valueEncryptedBase64)
{
    const double now = clock_.now();
    // The five columns of the unique key, bound from parameter `first` on.
    const auto bindKey = [&](SqliteStatement& statement, int first) {
        statement.bindText(first, fieldContext);
        statement.bindText(first + 1, appBundleId);
        statement.bindTextOrNull(first + 2, domain);
        statement.bindTextOrNull(first + 3, fieldLabel);
        statement.bindText(first + 4, valueHash);
    };

    auto update = prepare(kFieldMemoryUpdate);
    if (!update) {
        return false;
    }
    update.bindDouble(1, now);
    bindKey(update, 2);
    if (!update.run()) {
        Log::print("❌ SQLite Error Field Memory Insert: " + errorMessage());
        return false;
    }
    if (sqlite3_changes(db_) > 0) {
        return true;
    }

    auto insert = prepare(kFieldMemoryInsert);
    if (!insert) {
        return false;
    }
    bindKey(insert, 1);
    insert.bindText(6, valueEncryptedBase64);
    insert.bindDouble(7, now);
    insert.bindDouble(8, now);
    if (!insert.run()) {
        Log::print("❌ SQLite Error Field Memory Insert: " + errorMessage());
        return false;
    }
    return true;
}

DatabaseManager::Rows DatabaseManager::fetchFieldMemory(const std::string& fieldContext,
                                                        const std::string& appBundleId,
                                                        const std::optional<std::string>& domain)
{
    // Without a domain there is no domain condition at all: every domain, and none, is a candidate.
    std::string sql = "SELECT field_label, value_encrypted, frequency, last_used FROM field_memory WHERE "
                      "field_context = ? AND app_bundle_id = ? ";
    if (domain) {
        sql += "AND domain = ? ";
    }
    sql += "ORDER BY frequency DESC, last_used DESC LIMIT 5;";

    return dbQueue_.syncResult([&] {
        Rows rows;
        auto statement = prepare(sql);
        if (!statement) {
            Log::print("❌ SQLite Error Field Memory Fetch: " + errorMessage());
            return rows;
        }
        statement.bindText(1, fieldContext);
        statement.bindText(2, appBundleId);
        if (domain) {
            statement.bindTextOrNull(3, domain);
        }
        while (statement.step() == SqliteStatement::Step::row) {
            rows.push_back({
                {"field_label", statement.columnText(0)},
                {"value_encrypted", statement.columnText(1)},
                {"frequency", std::to_string(statement.columnInt(2))},
                {"last_used", text::describe(statement.columnDouble(3))},
            });
        }
        return rows;
    });
}

DatabaseManager::Rows DatabaseManager::fetchAllFieldMemories()
{
    return executeQuery(
        "SELECT id, field_context, app_bundle_id, domain, field_label, frequency, last_used FROM "
        "field_memory ORDER BY last_used DESC;");
}

bool DatabaseManager::deleteFieldMemory(const std::string& id)
{
    return executeNonQueryWithParams("DELETE FROM field_memory WHERE id = ?;", {id});
}

bool DatabaseManager::purgeOldFieldMemory(int days)
{
    // A row used exactly at the cutoff stays.
    const double cutoff = clock_.now() - static_cast<double>(days) * 24 * 60 * 60;
    return executeNonQueryWithParams("DELETE FROM field_memory WHERE last_used < ?;",
                                     {text::describe(cutoff)});
}

bool DatabaseManager::updateMCPContext(const std::optional<std::string>& project,
                                       const std::optional<std::string>& topic,
                                       const std::optional<std::string>& relatedNotes,
                                       const std::optional<std::string>& activeDecision,
                                       const std::optional<std::string>& metadata)
{
    return dbQueue_.syncResult([&] {
        // One row, id 1: every push replaces all five values, so one left out becomes NULL.
        auto statement = prepare("INSERT OR REPLACE INTO mcp_context (id, project, topic, related_notes, "
                                 "active_decision, metadata, timestamp)\nVALUES (1, ?, ?, ?, ?, ?, ?);");
        if (!statement) {
            return false;
        }
        statement.bindTextOrNull(1, project);
        statement.bindTextOrNull(2, topic);
        statement.bindTextOrNull(3, relatedNotes);
        statement.bindTextOrNull(4, activeDecision);
        statement.bindTextOrNull(5, metadata);
        statement.bindDouble(6, clock_.now());
        if (!statement.run()) {
            Log::print("❌ SQLite Error: Failed to insert/replace MCP Context");
            return false;
        }
        return true;
    });
}

std::optional<DatabaseManager::Row> DatabaseManager::fetchMCPContext()
{
    auto rows = executeQuery(
        "SELECT project, topic, related_notes, active_decision, metadata FROM mcp_context WHERE id = 1;");
    if (rows.empty()) {
        return std::nullopt;
    }
    return std::move(rows.front());
}

bool DatabaseManager::insertMCPKnowledge(const std::string& key, const std::string& valueEncrypted,
                                         const std::string& context, const std::optional<std::string>& tags)
{
    return dbQueue_.syncResult([&] {
        auto statement = prepare("INSERT OR REPLACE INTO mcp_knowledge (key, value_encrypted, context, tags, "
                                 "timestamp)\nVALUES (?, ?, ?, ?, ?);");
        if (!statement) {
            return false;
        }
        statement.bindText(1, key);
        statement.bindText(2, valueEncrypted);
        statement.bindText(3, context);
        statement.bindTextOrNull(4, tags);
        statement.bindDouble(5, clock_.now());
        if (!statement.run()) {
            Log::print("❌ SQLite Error: Failed to insert/replace MCP Knowledge");
            return false;
        }
        return true;
    });
}

DatabaseManager::Rows DatabaseManager::fetchAllMCPKnowledge()
{
    return executeQuery("SELECT key, value_encrypted, context, tags FROM mcp_knowledge;");
}

}  // namespace qm
