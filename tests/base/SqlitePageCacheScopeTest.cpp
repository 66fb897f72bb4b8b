#include "base/SqlitePageCacheScope.h"

#include <cstdint>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include "base/SqliteStatement.h"

namespace qm {
namespace {

std::int64_t cacheSize(sqlite3* db)
{
    SqliteStatement statement(db, "PRAGMA cache_size;");
    EXPECT_EQ(statement.step(), SqliteStatement::Step::row);
    return statement.columnInt(0);
}

TEST(SqlitePageCacheScopeTest, LendsTheCacheOnlyWhileItLives)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    // A size in pages, so that the one given back is the one there was, not the default.
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA cache_size = 123;", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        const SqlitePageCacheScope scope(db, 65536);
        EXPECT_EQ(cacheSize(db), -65536);
    }
    EXPECT_EQ(cacheSize(db), 123);
    sqlite3_close(db);

    // Without a connection there is nothing to lend.
    const SqlitePageCacheScope none(nullptr, 65536);
}

}  // namespace
}  // namespace qm
