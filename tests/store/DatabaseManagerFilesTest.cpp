#include <filesystem>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "base/FileUtil.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"
#include "support/TempDir.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// Sets the process umask for the scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t previous_;
};

mode_t modeOf(const fs::path& path)
{
    return file::permissions(path).value_or(07777);
}

void run(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &message), SQLITE_OK) << (message ? message : sql);
    sqlite3_free(message);
}

class DatabaseManagerFilesTest : public ::testing::TestWithParam<mode_t> {
protected:
    SimClock clock;
    UserDefaults defaults{""};
    TempDir dir;
};

// The database holds captured text as typed. Whatever the umask, its folder
// (with the XDG parents it had to make) is the user's alone, and so is every
// file of it, from the moment SQLite creates it: the journal of a write in
// progress, and the WAL and shared-memory files in WAL mode.
TEST_P(DatabaseManagerFilesTest, FolderAndEveryDatabaseFileArePrivateFromCreation)
{
    const ScopedUmask umask(GetParam());
    const fs::path support = dir / "home" / ".local" / "share";
    const fs::path folder = support / "com.quillmarker.app";
    const fs::path file = folder / "QuillmarkerRules.db";

    DatabaseManager db(clock, support, defaults);

    for (const fs::path& made : {dir / "home", dir / "home" / ".local", support, folder}) {
        EXPECT_EQ(modeOf(made), 0700u) << made;
    }
    EXPECT_EQ(modeOf(file), 0600u);

    db.performRaw([&](sqlite3* raw) {
        run(raw, "BEGIN IMMEDIATE; INSERT INTO captured_texts (raw_text, app_bundle_id, timestamp) "
                 "VALUES ('pin 4711', 'com.example.editor', 0);");
        EXPECT_EQ(modeOf(file.string() + "-journal"), 0600u);
        run(raw, "COMMIT;");
        run(raw, "PRAGMA journal_mode = WAL;");
        run(raw, "INSERT INTO captured_texts (raw_text, app_bundle_id, timestamp) "
                 "VALUES ('pin 4712', 'com.example.editor', 0);");
        EXPECT_EQ(modeOf(file.string() + "-wal"), 0600u);
        EXPECT_EQ(modeOf(file.string() + "-shm"), 0600u);
    });
}

// An older version left them readable by others: the next start tightens them.
TEST_P(DatabaseManagerFilesTest, WiderFilesLeftByAnEarlierStartAreTightened)
{
    const ScopedUmask umask(GetParam());
    const fs::path folder = dir / "com.quillmarker.app";
    const fs::path file = folder / "QuillmarkerRules.db";
    {
        DatabaseManager first(clock, dir.path(), defaults);
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);

    DatabaseManager second(clock, dir.path(), defaults);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(second.fetchRulesConfig().size(), 18u);
}

INSTANTIATE_TEST_SUITE_P(Umasks, DatabaseManagerFilesTest, ::testing::Values(mode_t{022}, mode_t{0}),
                         [](const auto& info) { return info.param == 0 ? "Umask000" : "Umask022"; });

}  // namespace
}  // namespace qm::test
