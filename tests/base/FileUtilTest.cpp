#include "base/FileUtil.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/FileDescriptor.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/TempDir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

std::string readOrFail(const fs::path& path)
{
    std::error_code error;
    auto content = file::readAll(path, error);
    EXPECT_TRUE(content) << path << ": " << error.message();
    return content.value_or("<unreadable>");
}

std::vector<std::string> entriesOf(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Sets the process umask for the life of the object (tests run one at a time).
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }

private:
    mode_t previous_;
};

// ---- writeAtomically ------------------------------------------------------------------------------------

struct WriteCase {
    const char* name;
    mode_t mode;
    mode_t umask;
    std::string content;
};

void PrintTo(const WriteCase& c, std::ostream* os)
{
    *os << c.name;
}

class WriteAtomicallyModes : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteAtomicallyModes, NewAndReplacedFilesGetExactlyTheModeAndWholeContent)
{
    const WriteCase& c = GetParam();
    test::TempDir dir;
    ScopedUmask mask(c.umask);
    const fs::path target = dir / "secret.json";

    ASSERT_FALSE(file::writeAtomically(target, c.content, c.mode));
    EXPECT_EQ(file::permissions(target), c.mode);
    EXPECT_EQ(readOrFail(target), c.content);

    // Replacing a file of another mode sets the requested one, not the old one.
    ASSERT_EQ(::chmod(target.c_str(), 0777), 0);
    const std::string replacement = c.content + "-v2";
    ASSERT_FALSE(file::writeAtomically(target, replacement, c.mode));
    EXPECT_EQ(file::permissions(target), c.mode);
    EXPECT_EQ(readOrFail(target), replacement);
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"secret.json"}) << "a temporary file was left";
}

INSTANTIATE_TEST_SUITE_P(FileUtil, WriteAtomicallyModes,
                         ::testing::Values(WriteCase{"owner_only", 0600, 022, "{\"k\":1}"},
                                           WriteCase{"umask_cannot_narrow", 0666, 022, "shared"},
                                           WriteCase{"umask_077_cannot_narrow", 0644, 077, "readable"},
                                           WriteCase{"group_read", 0640, 022, std::string("bin\0ary\xff", 8)},
                                           WriteCase{"read_only", 0400, 022, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileUtilTest, FailedWritesLeaveTargetAndFolderAsTheyWere)
{
    test::TempDir dir;
    const fs::path plainFile = dir / "plain.txt";
    ASSERT_FALSE(file::writeAtomically(plainFile, "old content", 0600));
    const fs::path folderTarget = dir / "folder";
    ASSERT_FALSE(file::createDirectories(folderTarget, 0700));
    ASSERT_FALSE(file::writeAtomically(folderTarget / "inside", "kept", 0600));

    struct Case {
        const char* name;
        fs::path target;
        std::errc expected;
    };
    // Failures that hold for root too, since the tests may run as root.
    const Case cases[] = {
        {"target is a folder", folderTarget, std::errc::is_a_directory},
        {"parent is a regular file", plainFile / "child.txt", std::errc::not_a_directory},
        {"parent is missing", dir / "missing" / "child.txt", std::errc::no_such_file_or_directory},
        {"no file name", dir.path() / "", std::errc::invalid_argument},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(file::writeAtomically(c.target, "new content", 0600), c.expected) << c.name;
        EXPECT_EQ(readOrFail(plainFile), "old content") << c.name;
        EXPECT_EQ(readOrFail(folderTarget / "inside"), "kept") << c.name;
        EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"folder", "plain.txt"})) << c.name;
    }
}

TEST(FileUtilTest, WriteFailingHalfwayKeepsOldContentAndRemovesTheTemporary)
{
    test::TempDir dir;
    const fs::path target = dir / "notes.db";
    ASSERT_FALSE(file::writeAtomically(target, "old content", 0600));

    std::error_code error;
    {
        test::ScopedFileSizeLimit limit(4096);
        ASSERT_TRUE(limit.valid());
        error = file::writeAtomically(target, std::string(64 * 1024, 'x'), 0600);
    }

    EXPECT_EQ(error, std::errc::file_too_large);
    EXPECT_EQ(readOrFail(target), "old content");
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"notes.db"});
}

TEST(FileUtilTest, ConcurrentWritersNeverExposeATornOrWiderFile)
{
    test::TempDir dir;
    const fs::path target = dir / "state.json";
    constexpr int kWriters = 4;
    constexpr int kWritesEach = 20;
    // Writer i writes only the letter 'a' + i, in its own length: any mix is visible.
    auto payload = [](int writer) {
        return std::string(20000 + writer * 1111, static_cast<char>('a' + writer));
    };
    auto isWhole = [&payload](const std::string& content) {
        if (content.empty()) {
            return false;
        }
        const int writer = content[0] - 'a';
        return writer >= 0 && writer < kWriters && content == payload(writer);
    };
    ASSERT_FALSE(file::writeAtomically(target, payload(0), 0600));

    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0}, exposed{0};
    std::thread reader([&] {
        while (!done) {
            std::error_code error;
            auto content = file::readAll(target, error);
            if (!content || !isWhole(*content)) {
                ++torn;
            }
            ++reads;
        }
    });
    // Every file that ever appears in the folder, temporaries included, must be owner-only.
    std::thread watcher([&] {
        while (!done) {
            std::error_code error;
            for (fs::directory_iterator it(dir.path(), error), end; !error && it != end;
                 it.increment(error)) {
                struct stat info {};
                if (::stat(it->path().c_str(), &info) == 0 && (info.st_mode & 077) != 0) {
                    ++exposed;
                }
            }
        }
    });
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 0; i < kWritesEach; ++i) {
                if (file::writeAtomically(target, payload(w), 0600)) {
                    ++failures;
                }
            }
        });
    }
    for (auto& t : writers) {
        t.join();
    }
    done = true;
    reader.join();
    watcher.join();

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 0);
    EXPECT_EQ(exposed, 0);
    EXPECT_TRUE(isWhole(readOrFail(target)));
    EXPECT_EQ(file::permissions(target), 0600u);
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"state.json"});
}

// ---- createDirectories -----------------------------------------------------------------------------------

struct FolderCase {
    const char* name;
    mode_t mode;
    mode_t umask;
};

void PrintTo(const FolderCase& c, std::ostream* os)
{
    *os << c.name;
}

class CreateDirectoriesModes : public ::testing::TestWithParam<FolderCase> {};

TEST_P(CreateDirectoriesModes, EveryCreatedLevelGetsTheModeAndExistingOnesAreUntouched)
{
    const FolderCase& c = GetParam();
    test::TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0751), 0);
    ASSERT_EQ(::mkdir((dir / "existing").c_str(), 0755), 0);
    ScopedUmask mask(c.umask);

    const fs::path deepest = dir / "existing" / "a" / "b" / "c";
    ASSERT_FALSE(file::createDirectories(deepest, c.mode));

    EXPECT_EQ(file::permissions(dir.path()), 0751u);
    EXPECT_EQ(file::permissions(dir / "existing"), 0755u);
    for (const fs::path& created : {dir / "existing" / "a", dir / "existing" / "a" / "b", deepest}) {
        EXPECT_TRUE(fs::is_directory(created)) << created;
        EXPECT_EQ(file::permissions(created), c.mode) << created;
    }

    // Asking again, even with another mode, changes nothing.
    ASSERT_FALSE(file::createDirectories(deepest, 0777));
    EXPECT_EQ(file::permissions(deepest), c.mode);
}

INSTANTIATE_TEST_SUITE_P(FileUtil, CreateDirectoriesModes,
                         ::testing::Values(FolderCase{"private", 0700, 022},
                                           FolderCase{"umask_cannot_narrow", 0755, 077},
                                           FolderCase{"umask_cannot_widen", 0750, 0},
                                           FolderCase{"traverse_only", 0711, 022}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileUtilTest, CreateDirectoriesErrorsAndPathShapes)
{
    test::TempDir dir;
    ASSERT_FALSE(file::writeAtomically(dir / "file", "x", 0600));

    EXPECT_EQ(file::createDirectories(dir / "file", 0700), std::errc::not_a_directory);
    EXPECT_EQ(file::createDirectories(dir / "file" / "sub", 0700), std::errc::not_a_directory);
    EXPECT_EQ(file::createDirectories("", 0700), std::errc::invalid_argument);
    EXPECT_EQ(readOrFail(dir / "file"), "x");

    EXPECT_FALSE(file::createDirectories(dir.path() / "trailing" / "slash" / "", 0700));
    EXPECT_EQ(file::permissions(dir / "trailing" / "slash"), 0700u);
    EXPECT_FALSE(file::createDirectories(dir.path() / "up" / ".." / "down", 0700));
    EXPECT_EQ(file::permissions(dir / "down"), 0700u);
}

TEST(FileUtilTest, ConcurrentCreatorsOfOneTreeAllSucceed)
{
    test::TempDir dir;
    const fs::path deepest = dir / "p" / "q" / "r" / "s";
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            if (file::createDirectories(deepest, 0700)) {
                ++failures;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(file::permissions(deepest), 0700u);
    EXPECT_EQ(file::permissions(dir / "p"), 0700u);
}

// ---- readAll / permissions
// ---------------------------------------------------------------------------------

TEST(FileUtilTest, ReadAllReportsWhyItCouldNotRead)
{
    test::TempDir dir;
    std::error_code error;
    EXPECT_EQ(file::readAll(dir / "missing", error), std::nullopt);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(file::readAll(dir.path(), error), std::nullopt);
    EXPECT_EQ(error, std::errc::is_a_directory);
    EXPECT_EQ(file::permissions(dir / "missing"), std::nullopt);

    const std::string large(300 * 1024 + 7, 'z');  // more than one read buffer
    ASSERT_FALSE(file::writeAtomically(dir / "large", large, 0600));
    error = std::make_error_code(std::errc::io_error);
    EXPECT_EQ(file::readAll(dir / "large", error), large);
    EXPECT_FALSE(error) << "a successful read clears the error";
}

TEST(FileUtilTest, ReadRegularFileRefusesWhatWouldBlockOrIsNoFile)
{
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);  // nobody writes to it
    ASSERT_FALSE(file::writeAtomically(dir / "file", "content", 0600));

    std::error_code error;
    EXPECT_EQ(file::readRegularFile(dir / "fifo", error), std::nullopt);
    EXPECT_EQ(error, std::errc::invalid_argument);
    EXPECT_EQ(file::readRegularFile(dir.path(), error), std::nullopt);
    EXPECT_EQ(error, std::errc::invalid_argument);
    EXPECT_EQ(file::readRegularFile(dir / "missing", error), std::nullopt);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(file::readRegularFile(dir / "file", error), "content");
    EXPECT_FALSE(error);
}

TEST(FileUtilTest, ReadRegularFileAtMostRefusesALargerFileUnread)
{
    test::TempDir dir;
    ASSERT_FALSE(file::writeAtomically(dir / "file", "content", 0600));
    std::error_code error;

    EXPECT_EQ(file::readRegularFileAtMost(dir / "file", 7, error), "content");
    EXPECT_FALSE(error);
    EXPECT_EQ(file::readRegularFileAtMost(dir / "file", 6, error), std::nullopt);
    EXPECT_EQ(error, std::errc::file_too_large);
    // Refused by its size, not by reading it: a sparse file of 4 GiB answers at once.
    std::ofstream(dir / "sparse").close();
    fs::resize_file(dir / "sparse", std::uintmax_t{4} << 30);
    EXPECT_EQ(file::readRegularFileAtMost(dir / "sparse", 1 << 20, error), std::nullopt);
    EXPECT_EQ(error, std::errc::file_too_large);
    EXPECT_EQ(file::readRegularFileAtMost(dir / "missing", 1 << 20, error), std::nullopt);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

// ---- moveAside -------------------------------------------------------------------------------------------

TEST(FileUtilTest, MoveAsideTakesTheFirstFreeNameAndNeverReplacesOne)
{
    test::TempDir dir;
    const fs::path file = dir / "state.json";
    std::error_code error;

    for (const char* content : {"first", "second", "third"}) {
        ASSERT_FALSE(file::writeAtomically(file, content, 0600));
        EXPECT_TRUE(file::moveAside(file, error)) << error.message();
    }
    EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"state.json.corrupt", "state.json.corrupt-2",
                                                               "state.json.corrupt-3"}));
    EXPECT_EQ(readOrFail(dir / "state.json.corrupt"), "first");
    EXPECT_EQ(readOrFail(dir / "state.json.corrupt-3"), "third");

    // A gap is filled; a folder in a name's place is not replaced either.
    fs::remove(dir / "state.json.corrupt-2");
    fs::create_directories(dir / "state.json.corrupt-2");
    ASSERT_FALSE(file::writeAtomically(file, "fourth", 0600));
    const auto aside = file::moveAside(file, error);
    ASSERT_TRUE(aside);
    EXPECT_EQ(*aside, dir / "state.json.corrupt-4");
    EXPECT_EQ(readOrFail(*aside), "fourth");
    EXPECT_TRUE(fs::is_directory(dir / "state.json.corrupt-2"));

    EXPECT_EQ(file::moveAside(dir / "missing.json", error), std::nullopt);
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

// ---- FileDescriptor --------------------------------------------------------------------------------------

bool isOpenDescriptor(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(FileUtilTest, AFileDescriptorIsClosedExactlyOnceByItsOwner)
{
    test::TempDir dir;
    ASSERT_FALSE(file::writeAtomically(dir / "file", "x", 0600));
    int raw = -1;
    {
        file::FileDescriptor fd(::open((dir / "file").c_str(), O_RDONLY | O_CLOEXEC));
        raw = fd.get();
        ASSERT_TRUE(fd);
        file::FileDescriptor moved(std::move(fd));
        EXPECT_FALSE(fd);  // NOLINT(bugprone-use-after-move): moved-from owns nothing
        EXPECT_TRUE(isOpenDescriptor(raw));
    }
    EXPECT_FALSE(isOpenDescriptor(raw)) << "closed when its last owner went";

    file::FileDescriptor released(::open((dir / "file").c_str(), O_RDONLY | O_CLOEXEC));
    raw = released.release();
    EXPECT_FALSE(released);
    EXPECT_TRUE(isOpenDescriptor(raw));
    file::FileDescriptor adopted;
    adopted.reset(raw);
    EXPECT_EQ(adopted.close(), 0);
    EXPECT_FALSE(isOpenDescriptor(raw));
    EXPECT_EQ(adopted.close(), 0) << "closing nothing is no error";
}

}  // namespace
}  // namespace qm
