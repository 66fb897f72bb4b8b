#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/Calendar.h"
#include "records/CaptureHistoryEntry.h"
#include "records/CaptureStats.h"

namespace qm {

class Clock;
class DatabaseManager;
class MainLoop;
class NotificationCenter;

// The capture history: one row per capture attempt in the table capture_history
// of the rules database, the newest 2000 kept. The store holds no state of its
// own; every statement runs on the database's queue and every call waits for it.
// Nothing is thrown: a failed statement is logged and gives an empty result.
class CaptureHistoryStore {
public:
    // RecordsNotifications::captureHistoryChanged is posted on the main loop
    // after a record, on the calling thread after clearAll().
    static constexpr int kMaxRows = 2000;

    // Creates the table and its index (both idempotent). All four references must
    // outlive the store; the main loop must outlive every task the store posted.
    CaptureHistoryStore(DatabaseManager& database, MainLoop& mainLoop, NotificationCenter& notificationCenter,
                        const Clock& clock);
    CaptureHistoryStore(const CaptureHistoryStore&) = delete;
    CaptureHistoryStore& operator=(const CaptureHistoryStore&) = delete;

    // Stores one attempt with its text trimmed; a blank text stores and posts nothing.
    // Any thread.
    void record(std::string_view target, std::string_view text, bool success);

    // Newest first, at most `limit` (clamped to 0...INT32_MAX). A non-blank query
    // keeps the rows whose text or target is LIKE %query%: '%' and '_' typed by the
    // user stay wildcards, and only ASCII letters match without regard to case.
    std::vector<CaptureHistoryEntry> recentEntries(std::string_view query = "", std::int64_t limit = 200);

    // Deletes every row, then posts on the calling thread, even when nothing was deleted.
    void clearAll();

    // The statistics of the successful rows.
    CaptureStats stats();
    CaptureStats stats(double now, const Calendar& calendar = Calendar::current());

private:
    void postChanged(bool onMainLoop);

    DatabaseManager& database_;
    MainLoop& mainLoop_;
    NotificationCenter& notificationCenter_;
    const Clock& clock_;
};

}  // namespace qm
