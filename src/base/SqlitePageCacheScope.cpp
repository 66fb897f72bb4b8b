#include "base/SqlitePageCacheScope.h"

#include <sqlite3.h>

#include <string>

#include "base/SqliteStatement.h"

namespace qm {

namespace {

void setCacheSize(sqlite3* db, std::int64_t size)
{
    // A negative size is in KiB, a positive one in pages.
    const auto statement = "PRAGMA cache_size = " + std::to_string(size) + ";";
    sqlite3_exec(db, statement.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace

SqlitePageCacheScope::SqlitePageCacheScope(sqlite3* db, int kib) : db_(db)
{
    if (db_ == nullptr) {
        return;
    }
    SqliteStatement current(db_, "PRAGMA cache_size;");
    if (current.step() == SqliteStatement::Step::row) {
        previous_ = current.columnInt(0);
        setCacheSize(db_, -static_cast<std::int64_t>(kib));
    }
}

SqlitePageCacheScope::~SqlitePageCacheScope()
{
    if (previous_) {
        setCacheSize(db_, *previous_);
    }
}

}  // namespace qm
