#include "records/CaptureHistoryStore.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include <fmt/format.h>
#include <sqlite3.h>

#include "base/Log.h"
#include "base/SharedInstance.h"
#include "base/Text.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "records/CaptureInsights.h"
#include "records/RecordsNotifications.h"
#include "store/DatabaseManager.h"

namespace qm {

namespace {

constexpr const char* kCreateTable = "CREATE TABLE IF NOT EXISTS capture_history (\n"
                                     "    id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                                     "    target TEXT NOT NULL,\n"
                                     "    text TEXT NOT NULL,\n"
                                     "    success INTEGER NOT NULL DEFAULT 1,\n"
                                     "    created_at REAL NOT NULL\n"
                                     ");";
constexpr const char* kCreateIndex =
    "CREATE INDEX IF NOT EXISTS idx_capture_history_created ON capture_history(created_at DESC);";
constexpr const char* kInsert =
    "INSERT INTO capture_history (target, text, success, created_at) VALUES (?, ?, ?, ?);";
constexpr const char* kSelectAll = "SELECT id, target, text, success, created_at FROM capture_history "
                                   "ORDER BY created_at DESC LIMIT ?;";
constexpr const char* kSelectMatching =
    "SELECT id, target, text, success, created_at FROM capture_history "
    "WHERE text LIKE ? OR target LIKE ? ORDER BY created_at DESC LIMIT ?;";
constexpr const char* kSelectSuccessful =
    "SELECT target, created_at FROM capture_history WHERE success = 1 ORDER BY created_at DESC;";
constexpr const char* kDeleteAll = "DELETE FROM capture_history;";

const std::string& trimStatement()
{
    static const std::string sql = fmt::format("DELETE FROM capture_history WHERE id NOT IN (\n"
                                               "    SELECT id FROM capture_history ORDER BY created_at DESC "
                                               "LIMIT {}\n);",
                                               CaptureHistoryStore::kMaxRows);
    return sql;
}

using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (!db || sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    return Statement(statement, sqlite3_finalize);
}

void bindText(sqlite3_stmt* statement, int index, std::string_view value)
{
    sqlite3_bind_text64(statement, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

std::string columnText(sqlite3_stmt* statement, int index)
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    if (!bytes) {
        return {};
    }
    return std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
}

}  // namespace

CaptureHistoryStore::CaptureHistoryStore(DatabaseManager& database, MainLoop& mainLoop,
                                         NotificationCenter& notificationCenter, const Clock& clock)
    : database_(database), mainLoop_(mainLoop), notificationCenter_(notificationCenter), clock_(clock)
{
    database_.executeNonQuery(kCreateTable);
    database_.executeNonQuery(kCreateIndex);
}

CaptureHistoryStore& CaptureHistoryStore::shared()
{
    return SharedInstance<CaptureHistoryStore>::get("CaptureHistoryStore");
}

void CaptureHistoryStore::record(std::string_view target, std::string_view text, bool success)
{
    const std::string trimmedText = text::trimmed(text);
    if (trimmedText.empty()) {
        return;
    }
    database_.performRaw([&](sqlite3* db) {
        const auto statement = prepare(db, kInsert);
        if (!statement) {
            return;
        }
        bindText(statement.get(), 1, target);
        bindText(statement.get(), 2, trimmedText);
        sqlite3_bind_int(statement.get(), 3, success ? 1 : 0);
        sqlite3_bind_double(statement.get(), 4, clock_.now());
        if (sqlite3_step(statement.get()) != SQLITE_DONE) {
            Log::log(fmt::format("❌ CaptureHistoryStore: insert failed: {}", sqlite3_errmsg(db)));
        }
    });
    database_.executeNonQuery(trimStatement());
    postChanged(true);
}

std::vector<CaptureHistoryEntry> CaptureHistoryStore::recentEntries(std::string_view query,
                                                                    std::int64_t limit)
{
    const std::string trimmedQuery = text::trimmed(query);
    const int boundLimit =
        static_cast<int>(std::clamp<std::int64_t>(limit, 0, std::numeric_limits<std::int32_t>::max()));
    std::vector<CaptureHistoryEntry> entries;
    database_.performRaw([&](sqlite3* db) {
        const auto statement = prepare(db, trimmedQuery.empty() ? kSelectAll : kSelectMatching);
        if (!statement) {
            return;
        }
        if (trimmedQuery.empty()) {
            sqlite3_bind_int(statement.get(), 1, boundLimit);
        } else {
            const std::string pattern = "%" + trimmedQuery + "%";
            bindText(statement.get(), 1, pattern);
            bindText(statement.get(), 2, pattern);
            sqlite3_bind_int(statement.get(), 3, boundLimit);
        }
        while (sqlite3_step(statement.get()) == SQLITE_ROW) {
            entries.push_back(CaptureHistoryEntry{
                sqlite3_column_int64(statement.get(), 0),
                columnText(statement.get(), 1),
                columnText(statement.get(), 2),
                sqlite3_column_int64(statement.get(), 3) == 1,
                sqlite3_column_double(statement.get(), 4),
            });
        }
    });
    return entries;
}

void CaptureHistoryStore::clearAll()
{
    database_.executeNonQuery(kDeleteAll);
    postChanged(false);
}

CaptureStats CaptureHistoryStore::stats()
{
    return stats(clock_.now());
}

CaptureStats CaptureHistoryStore::stats(double now, const Calendar& calendar)
{
    std::vector<CaptureActivityRecord> records;
    database_.performRaw([&](sqlite3* db) {
        const auto statement = prepare(db, kSelectSuccessful);
        if (!statement) {
            return;
        }
        while (sqlite3_step(statement.get()) == SQLITE_ROW) {
            records.push_back(CaptureActivityRecord{columnText(statement.get(), 0),
                                                    sqlite3_column_double(statement.get(), 1)});
        }
    });
    return CaptureInsights::calculate(records, now, calendar);
}

void CaptureHistoryStore::postChanged(bool onMainLoop)
{
    NotificationCenter* center = &notificationCenter_;
    auto post = [center] { center->post(RecordsNotifications::captureHistoryChanged); };
    if (onMainLoop) {
        mainLoop_.post(post);
    } else {
        post();
    }
}

}  // namespace qm
