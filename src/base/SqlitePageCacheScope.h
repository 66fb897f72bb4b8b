#pragma once

#include <cstdint>
#include <optional>

struct sqlite3;

namespace qm {

// Sets the connection's page cache to `kib` KiB for as long as the object
// lives, then back to the size it had; shrinking it frees the pages above the
// old size. Does nothing without a connection. Used on the connection's own
// thread, like every statement on it.
class SqlitePageCacheScope {
public:
    SqlitePageCacheScope(sqlite3* db, int kib);
    ~SqlitePageCacheScope();
    SqlitePageCacheScope(const SqlitePageCacheScope&) = delete;
    SqlitePageCacheScope& operator=(const SqlitePageCacheScope&) = delete;

private:
    sqlite3* db_;
    std::optional<std::int64_t> previous_;
};

}  // namespace qm
