#include "records/CaptureHistoryStore.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "records/CaptureInsights.h"
#include "records/RecordsNotifications.h"
#include "store/DatabaseManager.h"
#include "support/ScopedEnvironment.h"
#include "support/SeededRulesDatabase.h"
#include "support/TempDir.h"

namespace qm {
namespace {

using Texts = std::vector<std::string>;

// A store on a fresh rules database in a temporary folder, with the manual clock
// and main loop; it counts "CaptureHistoryChanged" and notes where it arrived.
class CaptureHistoryStoreTest : public ::testing::Test {
protected:
    // Each test starts from a copy of the seeded database (seeding is slow).
    static std::filesystem::path freshDatabaseIn(const std::filesystem::path& folder)
    {
        test::copySeededRulesDatabase(folder);
        return folder;
    }

    CaptureHistoryStoreTest()
    {
        // Each record is two commits; a temporary database need not reach the disk.
        database.executeNonQuery("PRAGMA synchronous = OFF; PRAGMA journal_mode = MEMORY;");
        token = center.addObserver(RecordsNotifications::captureHistoryChanged, nullptr,
                                   [this](const Notification& notification) {
                                       EXPECT_EQ(notification.object, nullptr);
                                       EXPECT_TRUE(notification.userInfo.empty());
                                       postedOnMainThread = loop.isMainThread();
                                       posts.fetch_add(1);
                                   });
    }
    ~CaptureHistoryStoreTest() override { center.removeObserver(token); }

    // Records one attempt a second after the previous one, so the order is certain.
    void recordAt(std::string_view target, std::string_view text, bool success = true)
    {
        clock.advance(1);
        store.record(target, text, success);
    }

    Texts texts(const std::vector<CaptureHistoryEntry>& entries)
    {
        Texts result;
        for (const auto& entry : entries) {
            result.push_back(entry.text);
        }
        return result;
    }

    std::string scalar(const std::string& sql)
    {
        const auto rows = database.executeQuery(sql);
        return rows.empty() || rows.front().empty() ? "<none>" : rows.front().begin()->second;
    }

    test::TempDir dir;
    SimClock clock;
    SimMainLoop loop{clock};
    NotificationCenter center;
    UserDefaults defaults{""};
    DatabaseManager database{clock, freshDatabaseIn(dir.path()), defaults};
    CaptureHistoryStore store{database, loop, center, clock};
    NotificationCenter::ObserverToken token;
    std::atomic<int> posts{0};
    std::atomic<bool> postedOnMainThread{false};
};

TEST_F(CaptureHistoryStoreTest, createsItsTableAndIndexOnceAndKeepsRowsWhenBuiltAgain)
{
    EXPECT_EQ(scalar("SELECT sql FROM sqlite_master WHERE name = 'capture_history';"),
              "CREATE TABLE capture_history (\n"
              "    id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
              "    target TEXT NOT NULL,\n"
              "    text TEXT NOT NULL,\n"
              "    success INTEGER NOT NULL DEFAULT 1,\n"
              "    created_at REAL NOT NULL\n"
              ")");
    EXPECT_EQ(scalar("SELECT sql FROM sqlite_master WHERE name = 'idx_capture_history_created';"),
              "CREATE INDEX idx_capture_history_created ON capture_history(created_at DESC)");

    recordAt("note", "kept");
    Log::Capture log;
    CaptureHistoryStore again(database, loop, center, clock);
    EXPECT_FALSE(log.contains("❌"));
    EXPECT_EQ(texts(again.recentEntries()), Texts{"kept"});
}

TEST_F(CaptureHistoryStoreTest, recordsTheTrimmedTextWithTargetSuccessAndTime)
{
    clock.set(1'780'000'000.25);
    store.record("  note ", "  buy milk\n", true);
    clock.set(1'780'000'001.5);
    store.record("slack", "\u2028tea\tfor two\u3000", false);

    const auto entries = store.recentEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (CaptureHistoryEntry{2, "slack", "tea\tfor two", false, 1'780'000'001.5}));
    EXPECT_EQ(entries[1], (CaptureHistoryEntry{1, "  note ", "buy milk", true, 1'780'000'000.25}));
}

TEST_F(CaptureHistoryStoreTest, aBlankTextIsNeitherStoredNorAnnounced)
{
    for (const char* blank : {"", "   ", " \n\t\r\n", "\u00a0\u2029"}) {
        store.record("note", blank, true);
    }
    loop.runUntilIdle();
    EXPECT_EQ(posts, 0);
    EXPECT_TRUE(store.recentEntries().empty());
}

TEST_F(CaptureHistoryStoreTest, announcesARecordOnTheMainLoopAfterItIsStored)
{
    std::thread background([this] { store.record("timer", "25m tea", true); });
    background.join();
    EXPECT_EQ(posts, 0) << "posted before the main loop ran";

    int rowsSeenByObserver = -1;
    const auto seeRows =
        center.addObserver(RecordsNotifications::captureHistoryChanged, nullptr, [&](const Notification&) {
            rowsSeenByObserver = static_cast<int>(store.recentEntries().size());
        });
    loop.runUntilIdle();
    center.removeObserver(seeRows);

    EXPECT_EQ(posts, 1);
    EXPECT_TRUE(postedOnMainThread);
    EXPECT_EQ(rowsSeenByObserver, 1);
}

TEST_F(CaptureHistoryStoreTest, keepsTheNewest2000RowsWhateverTheirOutcome)
{
    for (int i = 1; i <= 2001; ++i) {
        recordAt(i % 3 == 0 ? "copy" : "note", "capture " + std::to_string(i), i % 2 == 0);
    }
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM capture_history;"), "2000");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM capture_history WHERE text = 'capture 1';"), "0");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM capture_history WHERE text = 'capture 2';"), "1");

    recordAt("note", "capture 2002");
    const auto newest = store.recentEntries("", 2001);
    ASSERT_EQ(newest.size(), 2000u);
    EXPECT_EQ(newest.front().text, "capture 2002");
    EXPECT_EQ(newest.back().text, "capture 3");
    loop.runUntilIdle();
    EXPECT_EQ(posts, 2002);
}

struct SearchCase {
    const char* query;
    Texts expected;  // newest first
};

TEST_F(CaptureHistoryStoreTest, searchMatchesTextOrTargetWithLikeWildcardsAndAsciiCase)
{
    recordAt("note", "Call the TIMER shop");
    recordAt("timer", "25m tea");
    recordAt("copy", "50% off");
    recordAt("note", "costs 50 dollars");
    recordAt("calc", "5 0");
    recordAt("note", "Timer café");
    recordAt("slack", "snake_case name");
    recordAt("note", "snakeXcase");
    const Texts all = {"snakeXcase",       "snake_case name", "Timer café", "5 0",
                       "costs 50 dollars", "50% off",         "25m tea",    "Call the TIMER shop"};

    const SearchCase cases[] = {
        {"", all},
        {"   \n", all},
        {"TIMER", {"Timer café", "25m tea", "Call the TIMER shop"}},
        {"50%", {"costs 50 dollars", "50% off"}},
        {"snake_case", {"snakeXcase", "snake_case name"}},
        {"  tea  ", {"25m tea"}},
        {"café", {"Timer café"}},
        {"CAFÉ", {}},
        {"SLACK", {"snake_case name"}},
        {"nothing like it", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(texts(store.recentEntries(c.query)), c.expected) << "query '" << c.query << "'";
    }
}

TEST_F(CaptureHistoryStoreTest, listsAtMostTheLimitNewestFirst)
{
    for (int i = 1; i <= 205; ++i) {
        recordAt("note", "n" + std::to_string(i));
    }
    const auto entries = store.recentEntries();
    ASSERT_EQ(entries.size(), 200u);
    EXPECT_EQ(entries.front().text, "n205");
    EXPECT_EQ(entries.back().text, "n6");

    EXPECT_EQ(texts(store.recentEntries("n20", 2)), (Texts{"n205", "n204"}));
    EXPECT_TRUE(store.recentEntries("", 0).empty());
    EXPECT_TRUE(store.recentEntries("", -1).empty()) << "a negative limit must not mean 'no limit'";
    EXPECT_EQ(store.recentEntries("", std::int64_t{1} << 40).size(), 205u);
}

TEST_F(CaptureHistoryStoreTest, clearAllEmptiesTheTableAndAnnouncesAtOnceEvenWhenEmpty)
{
    recordAt("note", "one");
    loop.runUntilIdle();
    ASSERT_EQ(posts, 1);

    store.clearAll();
    EXPECT_EQ(posts, 2) << "clearAll posts on the calling thread, without the main loop";
    EXPECT_TRUE(store.recentEntries().empty());

    store.clearAll();
    EXPECT_EQ(posts, 3);
    EXPECT_EQ(store.stats(clock.now()), CaptureInsights::empty());
}

TEST_F(CaptureHistoryStoreTest, statisticsCountOnlySuccessfulCapturesInTheCurrentZone)
{
    const test::ScopedEnvironment zone("TZ", "America/New_York");
    const Calendar newYork = Calendar::current();
    ASSERT_EQ(newYork.timeZoneId(), "America/New_York");
    // Monday 9 March 2026, the day after the spring-forward night.
    const double mondayNoon = *newYork.date(DateComponents{2026, 3, 9, 12});
    const double sundayMorning = *newYork.date(DateComponents{2026, 3, 8, 0, 30});
    const double saturdayNight = *newYork.date(DateComponents{2026, 3, 7, 23, 30});

    clock.set(saturdayNight);
    store.record("note", "saturday", true);
    clock.set(sundayMorning);
    store.record("slack", "sunday, failed", false);
    clock.set(mondayNoon - 60);
    store.record("copy", "monday", true);
    clock.set(mondayNoon - 30);
    store.record("timer", "monday, failed", false);

    const CaptureStats stats = store.stats(mondayNoon);

    EXPECT_EQ(stats, (CaptureStats{1, 1, 2, 1, 1, mondayNoon - 60, "copy"}));
    EXPECT_EQ(store.recentEntries().size(), 4u);
}

TEST_F(CaptureHistoryStoreTest, aFailedInsertIsLoggedAndStillTrimsAndAnnounces)
{
    for (int i = 0; i < 3; ++i) {
        recordAt("note", "old " + std::to_string(i));
    }
    // Rows beyond the cap that an earlier trim would have removed.
    database.executeNonQuery("INSERT INTO capture_history (target, text, success, created_at) "
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                             "SELECT 'note', 'filler', 1, i FROM n;");
    ASSERT_TRUE(database.executeNonQuery("CREATE TRIGGER refuse BEFORE INSERT ON capture_history "
                                         "BEGIN SELECT RAISE(ABORT, 'disk says no'); END;"));
    loop.runUntilIdle();
    posts = 0;

    Log::Capture log;
    recordAt("note", "lost");
    loop.runUntilIdle();

    EXPECT_TRUE(log.contains("❌ CaptureHistoryStore: insert failed: disk says no"));
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM capture_history;"), "2000");
    EXPECT_EQ(texts(store.recentEntries("old")), (Texts{"old 2", "old 1", "old 0"}));
}

}  // namespace
}  // namespace qm
