#include "records/FallbackCaptureLogger.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/FileError.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "records/RecordsNotifications.h"
#include "support/Nobody.h"
#include "support/TempDir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using Entry = FallbackCaptureLogger::Entry;

// 2026-12-07T22:01:57Z
constexpr double kExampleTime = 1796680917.0;

// The logger wired to a temporary Application Support folder, the manual clock and
// main loop, and a private notification centre that counts "FallbackCaptureLogChanged".
class FallbackCaptureLoggerTest : public ::testing::Test {
protected:
    FallbackCaptureLoggerTest()
    {
        token = center.addObserver(RecordsNotifications::fallbackCaptureLogChanged, nullptr,
                                   [this](const Notification& notification) {
                                       EXPECT_EQ(notification.object, nullptr);
                                       EXPECT_TRUE(notification.userInfo.empty());
                                       EXPECT_TRUE(loop.isMainThread());
                                       ++posts;
                                   });
    }

    ~FallbackCaptureLoggerTest() override { center.removeObserver(token); }

    fs::path logFile() const { return dir / "com.quillmarker.app" / "fallback_captures.log"; }

    std::string content() const
    {
        std::error_code error;
        return file::readAll(logFile(), error).value_or("<unreadable: " + error.message() + ">");
    }

    void writeLog(const std::string& bytes, mode_t mode = 0600) const
    {
        fs::create_directories(logFile().parent_path());
        ASSERT_FALSE(file::writeAtomically(logFile(), bytes, mode));
    }

    // Posts reach observers only once the main loop runs.
    int postsAfterLoop()
    {
        loop.runUntilIdle();
        return posts;
    }

    test::TempDir dir;
    SimClock clock{kExampleTime};
    SimMainLoop loop{clock};
    NotificationCenter center;
    NotificationCenter::ObserverToken token;
    int posts = 0;
    FallbackCaptureLogger logger{clock, loop, center, dir.path()};
};

std::string line(std::string_view target, std::string_view error, std::string_view text)
{
    return "[2026-12-07T22:01:57Z] target=" + std::string(target) + " error=\"" + std::string(error) +
           "\" text=\"" + std::string(text) + "\"";
}

TEST_F(FallbackCaptureLoggerTest, theLogLivesInTheAppFolderOfApplicationSupport)
{
    EXPECT_EQ(logger.logFileURL(), logFile());
    EXPECT_FALSE(fs::exists(logFile().parent_path())) << "computing the location creates nothing";

    // Without an Application Support folder the home folder's data folder stands in.
    const FallbackCaptureLogger homeless(clock, loop, center, std::nullopt);
    EXPECT_EQ(homeless.logFileURL(), fs::path(std::getenv("HOME")) / ".local/share" / "com.quillmarker.app" /
                                         "fallback_captures.log");
}

TEST_F(FallbackCaptureLoggerTest, writesTheDocumentedLine)
{
    ASSERT_TRUE(FallbackCaptureLogger::writeEntry("buy milk\neggs", "note", "Disk full", logFile(),
                                                  kExampleTime + 0.9));
    EXPECT_EQ(content(), "[2026-12-07T22:01:57Z] target=note error=\"Disk full\" text=\"buy milk\\neggs\"\n");
}

TEST_F(FallbackCaptureLoggerTest, savedTextsComeBackExactlyAsSaved)
{
    struct RoundTrip {
        const char* text;
        const char* error;
        const char* expectedText;  // after the capture text's trimming
    };
    const RoundTrip cases[] = {
        {"buy milk\neggs", "Disk full", "buy milk\neggs"},
        {"tab\there and a \"quote\"", "Server said \"no\"\nthen gave up", "tab\there and a \"quote\""},
        {"ends with a backslash\\", "C:\\path\\", "ends with a backslash\\"},
        {"\\n is not a line break", "\\\" is not a quote", "\\n is not a line break"},
        {"\"", "\\", "\""},
        {"crème brûlée — 寿司 🍣 👩‍👩‍👧‍👦", "Zugriff verweigert – ошибка",
         "crème brûlée — 寿司 🍣 👩‍👩‍👧‍👦"},
        {"\"\u0301 a quote under an accent, \\\u0301 a backslash under one", "e\u0301\"", nullptr},
        {"carriage\rreturn, \u2028separator, \x7f and \x01", "\r\n", nullptr},
        {"  \n padded on both sides \t\n\n", "", "padded on both sides"},
        {"line one\n\n\nline four", "multi\n\nline", "line one\n\n\nline four"},
    };
    double now = kExampleTime;
    for (const auto& c : cases) {
        clock.set(now += 61.5);
        ASSERT_TRUE(logger.saveFallback(c.text, "note", std::runtime_error(c.error))) << c.text;
    }

    const auto entries = FallbackCaptureLogger::readEntries(logFile());
    ASSERT_EQ(entries.size(), std::size(cases));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& c = cases[std::size(cases) - 1 - i];
        const auto& entry = entries[i];
        EXPECT_EQ(entry.text, c.expectedText ? c.expectedText : c.text);
        EXPECT_EQ(entry.errorDescription, c.error);
        EXPECT_EQ(entry.target, "note");
        EXPECT_EQ(entry.timestamp,
                  std::floor(kExampleTime + 61.5 * static_cast<double>(std::size(cases) - i)));
        EXPECT_EQ(entry.id, entry.rawLine.substr(1, 20) + "#" + std::to_string(std::size(cases) - 1 - i));
    }
}

TEST_F(FallbackCaptureLoggerTest, parsesHandEditedLinesByTheFormatsRules)
{
    struct ParseCase {
        std::string line;
        std::optional<std::string> target, error, text;  // no target: the line is skipped
    };
    const ParseCase cases[] = {
        {line("note", "e\\tf", "a\\qb\\\\c"), "note", "etf", "aqb\\c"},
        {line("note", "e", "ends in an escaped quote\\"), {}, {}, {}},
        {line("note", "never closed", "t").substr(0, 50), {}, {}, {}},
        {"# " + line("note", "e", "t"), {}, {}, {}},
        {line("note", "e", "t").substr(1), {}, {}, {}},
        {"[2026-12-07T22:01:57Z] target=note    error=\"e\" text=\"t\"", "note", "e", "t"},
        {"[2026-12-07T22:01:57Z]  \t target=note error=\"e\" then text=\"t\" trailing \"", "note", "e", "t"},
        {"[2026-12-07T22:01:57Z] target= error=\"e\" text=\"t\"", {}, {}, {}},
        {"[2026-12-07T22:01:57Z] target=note text=\"t\"", {}, {}, {}},
        {"[2026-12-07T22:01:57Z] target=note error=\"e\"", {}, {}, {}},
        {"[2026-12-07T22:01:57Z] note error=\"e\" text=\"t\"", {}, {}, {}},
        {"[2026-13-07T22:01:57Z] target=note error=\"e\" text=\"t\"", {}, {}, {}},
        {"[2026-02-29T22:01:57Z] target=note error=\"e\" text=\"t\"", {}, {}, {}},
        {"[2026-12-07T22:01:57.5Z] target=note error=\"e\" text=\"t\"", {}, {}, {}},
        {"[2026-12-07 22:01:57Z] target=note error=\"e\" text=\"t\"", {}, {}, {}},
        {"[yesterday] target=note error=\"e\" text=\"t\"", {}, {}, {}},
        {"[2026-12-07T22:01:57Z target=note error=\"e\" text=\"t\"", {}, {}, {}},
    };
    for (const auto& c : cases) {
        const auto entry = FallbackCaptureLogger::parseLine(c.line, 7);
        ASSERT_EQ(entry.has_value(), c.target.has_value()) << c.line;
        if (entry) {
            EXPECT_EQ(entry->target, *c.target) << c.line;
            EXPECT_EQ(entry->errorDescription, *c.error) << c.line;
            EXPECT_EQ(entry->text, *c.text) << c.line;
            EXPECT_EQ(entry->timestamp, kExampleTime) << c.line;
            EXPECT_EQ(entry->id, "2026-12-07T22:01:57Z#7");
            EXPECT_EQ(entry->rawLine, c.line);
        }
    }

    const auto shifted =
        FallbackCaptureLogger::parseLine("[2026-12-07T23:31:57+01:30] target=x error=\"\" text=\"\"", 0);
    ASSERT_TRUE(shifted);
    EXPECT_EQ(shifted->timestamp, kExampleTime);
    EXPECT_EQ(shifted->id, "2026-12-07T23:31:57+01:30#0");
}

TEST_F(FallbackCaptureLoggerTest, aDamagedLineOrInvalidByteLosesOnlyThatLine)
{
    std::string unclosed = line("note", "e7", "no closing quote");
    unclosed.pop_back();
    writeLog(line("note", "e0", "first") + "\n" +                  // 0
             "\n" +                                                // 1: blank, still counted
             "# a comment\n" +                                     // 2
             line("copy", "e3", "caf\xC3 au lait \xFF!") + "\n" +  // 3: invalid bytes in the text
             "[2026-12-\xFF"
             "7T22:01:57Z] target=note error=\"e\" text=\"bad stamp\"\n" +  // 4
             "   \t\r\n" +                                                  // 5: blank
             line("slack", "e6", "sixth") +
             "\r\n" +    // 6: CRLF
             unclosed);  // 7: damaged, last, no line feed
    const auto entries = FallbackCaptureLogger::readEntries(logFile());

    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, "sixth");
    EXPECT_EQ(entries[0].id, "2026-12-07T22:01:57Z#6");
    EXPECT_EQ(entries[1].text, "caf\uFFFD au lait \uFFFD!");
    EXPECT_EQ(entries[1].target, "copy");
    EXPECT_EQ(entries[1].id, "2026-12-07T22:01:57Z#3");
    EXPECT_EQ(entries[2].text, "first");
    EXPECT_EQ(entries[2].id, "2026-12-07T22:01:57Z#0");
}

TEST_F(FallbackCaptureLoggerTest, readsAtMostTheLimitNewestFirst)
{
    std::string bytes;
    for (int i = 0; i < 600; ++i) {
        bytes += line("note", "e", "capture " + std::to_string(i)) + "\n";
    }
    writeLog(bytes);

    const auto entries = FallbackCaptureLogger::readEntries(logFile());
    ASSERT_EQ(entries.size(), 500u);
    EXPECT_EQ(entries.front().text, "capture 599");
    EXPECT_EQ(entries.front().id, "2026-12-07T22:01:57Z#599");
    EXPECT_EQ(entries.back().text, "capture 100");
    EXPECT_EQ(FallbackCaptureLogger::readEntries(logFile(), 2).size(), 2u);
    EXPECT_TRUE(FallbackCaptureLogger::readEntries(logFile(), 0).empty());
}

TEST_F(FallbackCaptureLoggerTest, whatCannotBeReadGivesNoEntries)
{
    EXPECT_TRUE(FallbackCaptureLogger::readEntries(logFile()).empty()) << "missing file";
    writeLog("");
    EXPECT_TRUE(FallbackCaptureLogger::readEntries(logFile()).empty()) << "empty file";
    fs::remove(logFile());
    ASSERT_EQ(::mkfifo(logFile().c_str(), 0600), 0);
    EXPECT_TRUE(FallbackCaptureLogger::readEntries(logFile()).empty()) << "a FIFO must not block the reader";
}

TEST_F(FallbackCaptureLoggerTest, savingCreatesAPrivateFileAndAnnouncesItOnTheMainLoop)
{
    ASSERT_EQ(::umask(022), 022) << "the test main sets umask 022";
    clock.set(kExampleTime + 0.75);

    ASSERT_TRUE(logger.saveFallback("  buy milk\neggs\n", "note", std::runtime_error("Disk full")));

    EXPECT_EQ(content(), line("note", "Disk full", "buy milk\\neggs") + "\n");
    EXPECT_EQ(file::permissions(logFile()), 0600u);
    EXPECT_EQ(file::permissions(logFile().parent_path()), 0700u);
    EXPECT_EQ(posts, 0) << "announced before the main loop ran";
    EXPECT_EQ(postsAfterLoop(), 1);
}

TEST_F(FallbackCaptureLoggerTest, anExistingWiderFileIsNarrowedTo0600)
{
    writeLog(line("note", "e", "older") + "\n", 0644);
    ASSERT_TRUE(logger.saveFallback("newer", "copy", std::runtime_error("e")));
    EXPECT_EQ(file::permissions(logFile()), 0600u);
    EXPECT_EQ(FallbackCaptureLogger::readEntries(logFile()).size(), 2u);
}

TEST_F(FallbackCaptureLoggerTest, aBlankTextIsNotSaved)
{
    EXPECT_FALSE(logger.saveFallback(" \n\t\u3000", "note", std::runtime_error("e")));
    EXPECT_FALSE(fs::exists(logFile()));
    EXPECT_EQ(postsAfterLoop(), 0);
}

TEST_F(FallbackCaptureLoggerTest, aLastLineWithoutLineFeedIsNotJoinedToTheNewOne)
{
    writeLog(line("note", "e", "typed by hand"));
    ASSERT_TRUE(logger.saveFallback("new", "note", std::runtime_error("e")));

    const auto entries = FallbackCaptureLogger::readEntries(logFile());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, "new");
    EXPECT_EQ(entries[0].id, "2026-12-07T22:01:57Z#1");
    EXPECT_EQ(entries[1].text, "typed by hand");
}

TEST_F(FallbackCaptureLoggerTest, targetsThatWouldBreakTheLineAreMadeReadable)
{
    ASSERT_TRUE(logger.saveFallback("one", "two words\nand a line", std::runtime_error("e")));
    ASSERT_TRUE(logger.saveFallback("two", " \n", std::runtime_error("e")));
    ASSERT_TRUE(logger.saveFallback("three",
                                    "sl\xFF"
                                    "ck",
                                    std::runtime_error("e")));

    const auto entries = FallbackCaptureLogger::readEntries(logFile());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].target, "two_words_and_a_line");
    EXPECT_EQ(entries[1].target, "unknown");
    EXPECT_EQ(entries[0].target, "sl\uFFFDck");
}

// A save that fails is never silent: the log gets a line naming the path and
// the cause in our words (and never the text), and nothing is announced.
TEST_F(FallbackCaptureLoggerTest, aSaveThatCannotWriteReportsFailureAndAnnouncesNothing)
{
    const std::string failed = "❌ FallbackCaptureLogger: Could not keep the failed 'note' capture: ";
    Log::Capture log;

    // The app folder's place is taken by a file: the folder cannot be made.
    fs::create_directories(dir.path());
    std::ofstream(dir / "com.quillmarker.app") << "not a folder";
    EXPECT_FALSE(logger.saveFallback("kept in the caller", "note", std::runtime_error("e")));
    EXPECT_TRUE(log.contains(failed + "Could not create the folder " +
                             (dir / "com.quillmarker.app").string() + ": not a folder"));
    try {
        FallbackCaptureLogger::writeEntry("t", "note", "e", logFile(), kExampleTime);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Could not create the folder " + (dir / "com.quillmarker.app").string() + ": not a folder");
        EXPECT_EQ(error.path(), dir / "com.quillmarker.app");
        EXPECT_EQ(error.errorCode(), std::errc::not_a_directory);
    }
    fs::remove(dir / "com.quillmarker.app");

    // The log's place is taken by a folder, then by a FIFO that nobody reads.
    fs::create_directories(logFile());
    EXPECT_FALSE(logger.saveFallback("kept in the caller", "note", std::runtime_error("e")));
    EXPECT_TRUE(fs::is_directory(logFile()));
    fs::remove(logFile());
    ASSERT_EQ(::mkfifo(logFile().c_str(), 0600), 0);
    EXPECT_FALSE(logger.saveFallback("kept in the caller", "note", std::runtime_error("e")));
    EXPECT_TRUE(fs::is_fifo(logFile())) << "the FIFO was replaced";
    EXPECT_TRUE(log.contains(failed + "Could not use the recovery log " + logFile().string() +
                             ": something other than a file is there"));

    EXPECT_EQ(log.count(failed), 3u);
    EXPECT_FALSE(log.contains("kept in the caller"));
    EXPECT_EQ(postsAfterLoop(), 0);
}

TEST_F(FallbackCaptureLoggerTest, clearingEmptiesTheLogIntoAPrivateFile)
{
    writeLog(line("note", "e", "one") + "\n" + line("note", "e", "two") + "\n", 0644);

    logger.clearLog();

    EXPECT_EQ(content(), "");
    EXPECT_EQ(file::permissions(logFile()), 0600u);
    EXPECT_EQ(posts, 0);
    EXPECT_EQ(postsAfterLoop(), 1);
    EXPECT_TRUE(FallbackCaptureLogger::readEntries(logFile()).empty());
}

TEST_F(FallbackCaptureLoggerTest, clearingAMissingLogCreatesItEmpty)
{
    logger.clearLog();
    EXPECT_EQ(content(), "");
    EXPECT_EQ(file::permissions(logFile()), 0600u);
    EXPECT_EQ(postsAfterLoop(), 1);
}

TEST_F(FallbackCaptureLoggerTest, aClearThatFailsThrowsAndAnnouncesNothing)
{
    fs::create_directories(logFile() / "inside");
    EXPECT_THROW(logger.clearLog(), FileError);
    EXPECT_TRUE(fs::exists(logFile() / "inside"));
    EXPECT_EQ(postsAfterLoop(), 0);
}

// Appends from several threads race with clears: every line whose save began after
// the last clear had finished must be in the file.
TEST_F(FallbackCaptureLoggerTest, clearsAndAppendsFromManyThreadsLoseNoLine)
{
    constexpr int kWriters = 4;
    constexpr int kLinesEach = 30;
    std::atomic<long> sequence{0};
    std::atomic<long> lastClearEnded{-1};
    std::vector<std::vector<std::pair<long, std::string>>> started(kWriters);

    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < kLinesEach; ++i) {
                const std::string text = "w" + std::to_string(w) + " line " + std::to_string(i);
                started[w].emplace_back(sequence.fetch_add(1), text);
                EXPECT_TRUE(logger.saveFallback(text, "note", std::runtime_error("e")));
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; i < 10; ++i) {
            logger.clearLog();
            lastClearEnded = sequence.fetch_add(1);
            std::this_thread::yield();
        }
    });
    for (auto& thread : threads) {
        thread.join();
    }

    std::vector<std::string> present;
    for (const auto& entry : FallbackCaptureLogger::readEntries(logFile(), 1000)) {
        present.push_back(entry.text);
    }
    for (const auto& lines : started) {
        for (const auto& [startedAt, text] : lines) {
            if (startedAt > lastClearEnded) {
                EXPECT_NE(std::find(present.begin(), present.end(), text), present.end()) << text;
            }
        }
    }
    EXPECT_EQ(postsAfterLoop(), kWriters * kLinesEach + 10);
}

// A log that the user cannot write is replaced by its content plus the new line; one
// that the user cannot even read is never replaced. Only root can hand the log to
// another owner, so these run as root and save as the user "nobody" in a child.
class FallbackCaptureLoggerForeignLogTest : public FallbackCaptureLoggerTest {
protected:
    static constexpr const char* kFolderVariable = "QM_TEST_FOREIGN_LOG_FOLDER";

    // <folder>/com.quillmarker.app/fallback_captures.log in a folder that belongs to
    // "nobody", with a log that belongs to root. The child, started afresh by the death
    // test, finds the parent's folder in the environment.
    void SetUp() override
    {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "only root can give the log a foreign owner";
        }
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        if (const char* inherited = std::getenv(kFolderVariable)) {
            folder = inherited;
            return;
        }
        std::string pattern = (fs::temp_directory_path() / "qm-foreign-log-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        fs::create_directories(foreignLog().parent_path());
        for (const auto& owned : {folder, foreignLog().parent_path()}) {
            ASSERT_EQ(::chown(owned.c_str(), test::kNobody, test::kNobody), 0);
            ASSERT_EQ(::chmod(owned.c_str(), 0755), 0);
        }
        setenv(kFolderVariable, folder.c_str(), 1);
    }

    void TearDown() override
    {
        unsetenv(kFolderVariable);
        if (!folder.empty()) {
            fs::remove_all(folder);
        }
    }

    fs::path foreignLog() const { return folder / "com.quillmarker.app" / "fallback_captures.log"; }

    // In the child: becomes "nobody" and saves one capture; exits 0 when `saved` is the outcome.
    [[noreturn]] void saveAsNobodyAndExit(bool expectSaved)
    {
        if (!test::becomeNobody()) {
            std::_Exit(2);
        }
        FallbackCaptureLogger foreign(clock, loop, center, folder);
        const bool saved = foreign.saveFallback("new text", "note", std::runtime_error("e"));
        bool threwReadFailure = false;
        try {
            FallbackCaptureLogger::writeEntry("again", "note", "e", foreignLog(), kExampleTime);
        } catch (const FileError& error) {
            threwReadFailure = std::string(error.what())
                                   .rfind("Could not read the existing recovery log, so it "
                                          "was left as it is " +
                                              foreignLog().string() + ": ",
                                          0) == 0;
        }
        std::_Exit(saved == expectSaved && threwReadFailure == !expectSaved ? 0 : 1);
    }

    fs::path folder;
};

TEST_F(FallbackCaptureLoggerForeignLogTest, aLogThatCannotBeWrittenIsReplacedWithEveryLineKept)
{
    const std::string old = line("note", "e", "first") + "\n" + line("copy", "e", "second");
    ASSERT_FALSE(file::writeAtomically(foreignLog(), old, 0644));

    EXPECT_EXIT(saveAsNobodyAndExit(true), ::testing::ExitedWithCode(0), "");

    const auto entries = FallbackCaptureLogger::readEntries(foreignLog());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].text, "again");
    EXPECT_EQ(entries[1].text, "new text");
    EXPECT_EQ(entries[2].text, "second");
    EXPECT_EQ(entries[3].text, "first");
    EXPECT_EQ(file::permissions(foreignLog()), 0600u);
}

TEST_F(FallbackCaptureLoggerForeignLogTest, aLogThatCannotBeReadIsLeftAsItIsAndTheSaveFails)
{
    const std::string old = line("note", "e", "first") + "\n" + line("copy", "e", "second") + "\n";
    ASSERT_FALSE(file::writeAtomically(foreignLog(), old, 0600));

    EXPECT_EXIT(saveAsNobodyAndExit(false), ::testing::ExitedWithCode(0), "");

    std::error_code error;
    EXPECT_EQ(file::readAll(foreignLog(), error), old);
    struct stat info {};
    ASSERT_EQ(::stat(foreignLog().c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
}

}  // namespace
}  // namespace qm
