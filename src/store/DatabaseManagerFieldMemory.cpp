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

    auto update = prepare(kFieldMemoryUpdate);
    if (!update) {
        return false;
    }
    sqlite3_bind_double(update.get(), 1, now);
    bindText(update.get(), 2, fieldContext);
    bindText(update.get(), 3, appBundleId);
    bindText(update.get(), 4, domain);
    bindText(update.get(), 5, fieldLabel);
    bindText(update.get(), 6, valueHash);
    if (sqlite3_step(update.get()) != SQLITE_DONE) {
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
    bindText(insert.get(), 1, fieldContext);
    bindText(insert.get(), 2, appBundleId);
    bindText(insert.get(), 3, domain);
    bindText(insert.get(), 4, fieldLabel);
    bindText(insert.get(), 5, valueHash);
    bindText(insert.get(), 6, valueEncryptedBase64);
    sqlite3_bind_double(insert.get(), 7, now);
    sqlite3_bind_double(insert.get(), 8, now);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
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
        bindText(statement.get(), 1, fieldContext);
        bindText(statement.get(), 2, appBundleId);
        if (domain) {
            bindText(statement.get(), 3, domain);
        }
        while (sqlite3_step(statement.get()) == SQLITE_ROW) {
            rows.push_back({
                {"field_label", columnText(statement.get(), 0)},
                {"value_encrypted", columnText(statement.get(), 1)},
                {"frequency", std::to_string(sqlite3_column_int(statement.get(), 2))},
                {"last_used", text::describe(sqlite3_column_double(statement.get(), 3))},
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
        bindText(statement.get(), 1, project);
        bindText(statement.get(), 2, topic);
        bindText(statement.get(), 3, relatedNotes);
        bindText(statement.get(), 4, activeDecision);
        bindText(statement.get(), 5, metadata);
        sqlite3_bind_double(statement.get(), 6, clock_.now());
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
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
        bindText(statement.get(), 1, key);
        bindText(statement.get(), 2, valueEncrypted);
        bindText(statement.get(), 3, context);
        bindText(statement.get(), 4, tags);
        sqlite3_bind_double(statement.get(), 5, clock_.now());
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
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
