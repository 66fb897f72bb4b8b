#pragma once

#include "platform/sim/runtime/SimClock.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"
#include "support/SeededRulesDatabase.h"
#include "support/TempDir.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace qm::test {

// A rules database in a fresh temporary Application Support folder, on a manual clock.
//
// Each test starts from a copy of one database created and seeded at the first
// use, so that the schema and seed writes (each its own synced commit) are paid
// once per run; the tests of creation and seeding open fresh files themselves.
class DatabaseManagerTest : public ::testing::Test {
protected:
    std::unique_ptr<DatabaseManager> open()
    {
        return std::make_unique<DatabaseManager>(clock, dir.path(), defaults);
    }

    std::unique_ptr<DatabaseManager> openSeededCopy()
    {
        copySeededRulesDatabase(dir.path());
        return open();
    }

    // Reopens the same file, as a second start of the app would.
    void restart()
    {
        db.reset();
        db = open();
    }

    std::filesystem::path databaseFile() const { return dir / "com.quillmarker.app" / "QuillmarkerRules.db"; }

    // The first column of the first row, or "<none>".
    std::string scalar(const std::string& sql)
    {
        auto rows = db->executeQuery(sql);
        if (rows.empty() || rows.front().empty()) {
            return "<none>";
        }
        return rows.front().begin()->second;
    }

    int count(const std::string& table)
    {
        return std::stoi(scalar("SELECT COUNT(*) AS n FROM " + table + ";"));
    }

    // Makes every insert into `table` fail at step time with `message`.
    void failInsertsInto(const std::string& table, const std::string& message = "boom")
    {
        ASSERT_TRUE(db->executeNonQuery("CREATE TRIGGER fail_" + table + " BEFORE INSERT ON " + table +
                                        " BEGIN SELECT RAISE(ABORT, '" + message + "'); END;"));
    }

    TempDir dir;
    SimClock clock;
    UserDefaults defaults{""};  // in memory
    std::unique_ptr<DatabaseManager> db = openSeededCopy();
};

}  // namespace qm::test
