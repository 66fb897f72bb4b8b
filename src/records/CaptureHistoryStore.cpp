#include "records/CaptureHistoryStore.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include <fmt/format.h>

#include "base/Log.h"
#include "base/SqliteStatement.h"
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

}  // namespace

CaptureHistoryStore::CaptureHistoryStore(DatabaseManager& database, MainLoop& mainLoop,
                                         NotificationCenter& notificationCenter, const Clock& clock)
    : database_(database), mainLoop_(mainLoop), notificationCenter_(notificationCenter), clock_(clock)
{
    database_.executeNonQuery(kCreateTable);
    database_.executeNonQuery(kCreateIndex);
}

void CaptureHistoryStore::record(std::string_view target, std::string_view text, bool success)
{
    const std::string trimmedText = text::trimmed(text);
    if (trimmedText.empty()) {
        return;
    }
    database_.performRaw([&](sqlite3* db) {
        SqliteStatement statement(db, kInsert);
        if (!statement) {
            return;
        }
        statement.bindText(1, target);
        statement.bindText(2, trimmedText);
        statement.bindInt(3, success ? 1 : 0);
        statement.bindDouble(4, clock_.now());
        if (!statement.run()) {
            Log::log(fmt::format("❌ CaptureHistoryStore: insert failed: {}", statement.errorMessage()));
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
        SqliteStatement statement(db, trimmedQuery.empty() ? kSelectAll : kSelectMatching);
        if (!statement) {
            return;
        }
        if (trimmedQuery.empty()) {
            statement.bindInt(1, boundLimit);
        } else {
            const std::string pattern = "%" + trimmedQuery + "%";
            statement.bindText(1, pattern);
            statement.bindText(2, pattern);
            statement.bindInt(3, boundLimit);
        }
        while (statement.step() == SqliteStatement::Step::row) {
            entries.push_back(CaptureHistoryEntry{
                statement.columnInt(0),
                statement.columnText(1),
                statement.columnText(2),
                statement.columnInt(3) == 1,
                statement.columnDouble(4),
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
        SqliteStatement statement(db, kSelectSuccessful);
        if (!statement) {
            return;
        }
        while (statement.step() == SqliteStatement::Step::row) {
            records.push_back(CaptureActivityRecord{statement.columnText(0), statement.columnDouble(1)});
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
