#include "store/DatabaseManager.h"

#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Text.h"
#include "platform/runtime/Clock.h"

#include <system_error>

#include <fmt/format.h>
#include <sqlite3.h>

namespace qm {

namespace {

constexpr const char* kQueueLabel = "com.quillmarker.databaseQueue";
constexpr const char* kFileName = "QuillmarkerRules.db";

// In creation order; CREATE TABLE IF NOT EXISTS leaves an existing file's tables alone.
constexpr const char* kCreateTables[] = {
    "CREATE TABLE IF NOT EXISTS rules_config (id TEXT PRIMARY KEY, name TEXT NOT NULL, pattern TEXT NOT "
    "NULL, "
    "category TEXT NOT NULL, description TEXT NOT NULL, severity TEXT NOT NULL, is_enabled INTEGER DEFAULT "
    "1);",

    "CREATE TABLE IF NOT EXISTS captured_texts (id INTEGER PRIMARY KEY AUTOINCREMENT, raw_text TEXT NOT "
    "NULL, "
    "app_bundle_id TEXT NOT NULL, domain TEXT, timestamp REAL NOT NULL);",

    "CREATE TABLE IF NOT EXISTS skeletons (id INTEGER PRIMARY KEY AUTOINCREMENT, raw_text_id INTEGER NOT "
    "NULL, "
    "skeleton_text TEXT NOT NULL, occurrence_count INTEGER DEFAULT 1, last_seen REAL NOT NULL, "
    "FOREIGN KEY(raw_text_id) REFERENCES captured_texts(id) ON DELETE CASCADE);",

    "CREATE TABLE IF NOT EXISTS exclusion_list (id TEXT PRIMARY KEY, category TEXT NOT NULL, reasoning "
    "TEXT);",

    "CREATE TABLE IF NOT EXISTS field_memory (id INTEGER PRIMARY KEY AUTOINCREMENT, field_context TEXT NOT "
    "NULL, "
    "app_bundle_id TEXT NOT NULL, domain TEXT, field_label TEXT, value_hash TEXT NOT NULL, "
    "value_encrypted TEXT NOT NULL, frequency INTEGER DEFAULT 1, last_used REAL NOT NULL, "
    "UNIQUE(field_context, app_bundle_id, domain, field_label, value_hash));",

    "CREATE TABLE IF NOT EXISTS mcp_context (id INTEGER PRIMARY KEY, project TEXT, topic TEXT, related_notes "
    "TEXT, "
    "active_decision TEXT, metadata TEXT, timestamp REAL NOT NULL);",

    "CREATE TABLE IF NOT EXISTS mcp_knowledge (id INTEGER PRIMARY KEY AUTOINCREMENT, key TEXT NOT NULL "
    "UNIQUE, "
    "value_encrypted TEXT NOT NULL, context TEXT NOT NULL, tags TEXT, timestamp REAL NOT NULL);",

    "CREATE TABLE IF NOT EXISTS kg_nodes (id TEXT PRIMARY KEY, type TEXT NOT NULL, name TEXT NOT NULL, "
    "properties TEXT, created_at REAL NOT NULL, updated_at REAL NOT NULL);",

    "CREATE TABLE IF NOT EXISTS kg_edges (id TEXT PRIMARY KEY, source TEXT NOT NULL, target TEXT NOT NULL, "
    "relationship TEXT NOT NULL, properties TEXT, created_at REAL NOT NULL, "
    "FOREIGN KEY(source) REFERENCES kg_nodes(id) ON DELETE CASCADE, "
    "FOREIGN KEY(target) REFERENCES kg_nodes(id) ON DELETE CASCADE);",

    "CREATE TABLE IF NOT EXISTS sync_metadata (key TEXT PRIMARY KEY, value TEXT NOT NULL, updated_at REAL "
    "NOT NULL);",
};

void makeDatabaseFilesPrivate(const std::filesystem::path& file)
{
    if (const std::error_code error = file::createPrivateDatabaseFiles(file)) {
        // SQLite reports the file it cannot open; this says why it is not private.
        Log::print(
            fmt::format("❌ SQLite Error: Could not make {} private: {}", file.string(), error.message()));
    }
}

}  // namespace

DatabaseManager::DatabaseManager(const Clock& clock, std::optional<std::filesystem::path> applicationSupport,
                                 const UserDefaults& defaults)
    : clock_(clock), defaults_(defaults), dbQueue_(kQueueLabel)
{
    openDatabase(applicationSupport);
    createTables();
    seedDefaultRules();
}

DatabaseManager::~DatabaseManager()
{
    // Runs after every block already queued, so a pending asynchronous insert still lands.
    dbQueue_.sync([this] {
        if (db_) {
            sqlite3_close(db_);
            db_ = nullptr;
        }
    });
}

void DatabaseManager::openDatabase(const std::optional<std::filesystem::path>& applicationSupport)
{
    if (!applicationSupport) {
        Log::print("❌ SQLite Error: Application support directory not found.");
        return;
    }
    // The database holds captured text as typed: the folder and every file of
    // the database are the user's alone from the moment they exist.
    const auto folder = *applicationSupport / paths::kBundleIdentifier;
    if (const std::error_code error = file::createPrivateFolder(folder)) {
        Log::print(fmt::format("❌ SQLite Error: Could not create the folder {}: {}", folder.string(),
                               error.message()));
    }

    const auto file = folder / kFileName;
    Log::print("📁 QuillmarkerRules.db Path: " + file.string());
    makeDatabaseFilesPrivate(file);

    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) {
        Log::print("❌ SQLite Error: Failed to open QuillmarkerRules.db. Falling back to in-memory database.");
        sqlite3_close(db_);
        db_ = nullptr;
        sqlite3_open(":memory:", &db_);
    }
    sqlite3_exec(db_, "PRAGMA foreign_keys = ON;", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db_, 5000);
}

void DatabaseManager::createTables()
{
    // One commit (one set of syncs) for the whole schema.
    const bool inTransaction = executeNonQuery("BEGIN IMMEDIATE;");
    for (const char* statement : kCreateTables) {
        executeNonQuery(statement);
    }
    if (inTransaction && !executeNonQuery("COMMIT;")) {
        executeNonQuery("ROLLBACK;");
    }
}

SqliteStatement DatabaseManager::prepare(const std::string& sql) const
{
    return SqliteStatement(db_, sql);
}

std::string DatabaseManager::errorMessage() const
{
    return db_ ? sqlite3_errmsg(db_) : "no database connection";
}

void DatabaseManager::performRaw(const std::function<void(sqlite3*)>& block)
{
    dbQueue_.sync([&] { block(db_); });
}

bool DatabaseManager::executeNonQuery(const std::string& sql)
{
    return dbQueue_.syncResult([&] {
        char* message = nullptr;
        const int result = db_ ? sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) : SQLITE_MISUSE;
        if (result != SQLITE_OK && message) {
            Log::log(fmt::format("❌ SQLite NonQuery Error: {} (sql: {})", message,
                                 text::truncateGraphemes(sql, 120)));
        }
        sqlite3_free(message);
        return result == SQLITE_OK;
    });
}

bool DatabaseManager::executeNonQueryWithParams(const std::string& sql, const std::vector<std::string>& args)
{
    return dbQueue_.syncResult([&] {
        auto statement = prepare(sql);
        if (!statement) {
            Log::print("❌ SQLite Error Prepare: " + errorMessage());
            return false;
        }
        for (std::size_t i = 0; i < args.size(); ++i) {
            statement.bindText(static_cast<int>(i + 1), args[i]);
        }
        if (statement.run()) {
            return true;
        }
        Log::log("❌ SQLite NonQuery with Params Error: " + errorMessage());
        return false;
    });
}

DatabaseManager::Rows DatabaseManager::executeQuery(const std::string& sql)
{
    return dbQueue_.syncResult([&] {
        Rows rows;
        auto statement = prepare(sql);
        if (!statement) {
            Log::print("❌ SQLite Query Error: " + errorMessage());
            return rows;
        }
        const int columns = statement.columnCount();
        while (statement.step() == SqliteStatement::Step::row) {
            Row row;
            for (int column = 0; column < columns; ++column) {
                // A later column of the same name replaces an earlier one.
                row[statement.columnName(column)] = statement.columnText(column);
            }
            rows.push_back(std::move(row));
        }
        return rows;
    });
}

}  // namespace qm
