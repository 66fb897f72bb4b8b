#include "base/AppendLine.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "support/Nobody.h"
#include "support/ScopedFileSizeLimit.h"
#include "support/TempDir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using file::AppendOptions;
using file::AppendStep;
using file::LineEndCheck;

std::string contentOf(const fs::path& path)
{
    std::error_code error;
    return file::readAll(path, error).value_or("<unreadable: " + error.message() + ">");
}

struct AppendCase {
    const char* name;
    std::optional<std::string> before;  // nothing: no file yet
    mode_t beforeMode;
    AppendOptions options;
    std::string after;
    mode_t afterMode;
};

void PrintTo(const AppendCase& c, std::ostream* os)
{
    *os << c.name;
}

class AppendLineCases : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendLineCases, TheLineStartsALineOfItsOwn)
{
    const AppendCase& c = GetParam();
    test::TempDir dir;
    const fs::path path = dir / "log.txt";
    if (c.before) {
        ASSERT_FALSE(file::writeAtomically(path, *c.before, c.beforeMode));
    }
    EXPECT_EQ(file::appendLine(path, "new\n", c.options), std::nullopt);
    EXPECT_EQ(contentOf(path), c.after);
    EXPECT_EQ(file::permissions(path), c.afterMode);
}

constexpr AppendOptions kPrivate{};
constexpr AppendOptions kText{.lineEnd = LineEndCheck::lastCharacter, .replaceOnlyUtf8Text = true};
constexpr AppendOptions kUsersOwn{.lineEnd = LineEndCheck::lastCharacter,
                                  .replaceOnlyUtf8Text = true,
                                  .mode = 0644,
                                  .keepExistingMode = true};
constexpr AppendOptions kTextOrBytes{.lineEnd = LineEndCheck::lastCharacterOrByte,
                                     .replaceOnlyUtf8Text = true};
constexpr AppendOptions kBytesInPlaceTextReplaced{.lineEnd = LineEndCheck::lastByte,
                                                  .replaceOnlyUtf8Text = true};

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendLineCases,
    ::testing::Values(
        AppendCase{"NewFileIsCreatedPrivate", std::nullopt, 0, kPrivate, "new\n", 0600},
        AppendCase{"AfterACompleteLine", "old\n", 0600, kPrivate, "old\nnew\n", 0600},
        AppendCase{"LastLineWithoutLineFeedGetsOne", "old", 0600, kPrivate, "old\nnew\n", 0600},
        AppendCase{"EmptyFileGetsNoLineFeed", "", 0600, kPrivate, "new\n", 0600},
        AppendCase{"BytesEndingInCrLfEndWithALineFeed", "old\r\n", 0600, kPrivate, "old\r\nnew\n", 0600},
        AppendCase{"TextEndingInCrLfDoesNot", "old\r\n", 0600, kText, "old\r\n\nnew\n", 0600},
        AppendCase{"BytesThatAreNotUtf8StillGetALineFeed", "caf\xE9", 0600, kPrivate, "caf\xE9\nnew\n", 0600},
        AppendCase{"TextThatIsNotUtf8CountsAsEmpty", "caf\xE9", 0600, kText, "caf\xE9new\n", 0600},
        AppendCase{"TextOrBytesEndingInCrLf", "old\r\n", 0600, kTextOrBytes, "old\r\n\nnew\n", 0600},
        AppendCase{"TextOrBytesNotUtf8IsJudgedByItsLastByte", "caf\xE9", 0600, kTextOrBytes, "caf\xE9\nnew\n",
                   0600},
        AppendCase{"TextOrBytesNotUtf8EndingInALineFeed", "caf\xE9\n", 0600, kTextOrBytes, "caf\xE9\nnew\n",
                   0600},
        AppendCase{"WiderPrivateFileIsNarrowed", "old\n", 0644, kPrivate, "old\nnew\n", 0600},
        AppendCase{"ReadOnlyPrivateFileIsMadeWritable", "old\n", 0400, kPrivate, "old\nnew\n", 0600},
        AppendCase{"UsersFileKeepsItsMode", "old\n", 0664, kUsersOwn, "old\nnew\n", 0664},
        AppendCase{"UsersNewFileGetsTheGivenMode", std::nullopt, 0, kUsersOwn, "new\n", 0644}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AppendLineTest, WhatIsNotARegularFileIsNeitherWaitedOnNorReplaced)
{
    test::TempDir dir;
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path folder = dir / "folder";
    fs::create_directories(folder / "inside");

    struct Case {
        AppendOptions options;
        // Opened for reading too, a FIFO opens and is then refused; opened
        // for writing only, without a reader it does not even open.
        AppendStep onFifo;
    };
    for (const auto& [options, fifoStep] :
         {Case{kPrivate, AppendStep::notRegularFile}, Case{kText, AppendStep::readForReplacement}}) {
        const auto onFifo = file::appendLine(fifo, "new\n", options);
        ASSERT_TRUE(onFifo);
        EXPECT_EQ(onFifo->step, fifoStep);
        EXPECT_TRUE(fs::is_fifo(fifo));

        // A folder cannot be opened for writing, nor read to be replaced.
        const auto onFolder = file::appendLine(folder, "new\n", options);
        ASSERT_TRUE(onFolder);
        EXPECT_EQ(onFolder->step, AppendStep::readForReplacement);
        EXPECT_TRUE(fs::is_directory(folder / "inside"));
    }
}

TEST(AppendLineTest, AWriteFailingHalfwayIsCutBackSoTheNextLineStartsClean)
{
    test::TempDir dir;
    const fs::path path = dir / "log.txt";
    ASSERT_FALSE(file::writeAtomically(path, "old\n", 0600));

    std::optional<file::AppendFailure> failure;
    {
        test::ScopedFileSizeLimit limit(4096);
        ASSERT_TRUE(limit.valid());
        failure = file::appendLine(path, std::string(64 * 1024, 'x') + "\n");
    }

    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->step, AppendStep::write);
    EXPECT_EQ(failure->error, std::errc::file_too_large);
    EXPECT_EQ(contentOf(path), "old\n");

    EXPECT_EQ(file::appendLine(path, "next\n"), std::nullopt);
    EXPECT_EQ(contentOf(path), "old\nnext\n");
}

// A file the user may read but not write. Only root can hand a file to another
// owner, so these run as root and append as the user "nobody" in a child, in a
// folder that "nobody" owns and may therefore replace files in. The child,
// started afresh by the death test, finds the parent's folder in the environment.
struct ForeignCase {
    const char* name;
    std::string before;
    mode_t mode;
    AppendOptions options;
    std::optional<AppendStep> failure;
    std::string after;
    mode_t modeAfter;
};

void PrintTo(const ForeignCase& c, std::ostream* os)
{
    *os << c.name;
}

class AppendLineForeignFile : public ::testing::TestWithParam<ForeignCase> {
protected:
    static constexpr const char* kFolderVariable = "QM_TEST_FOREIGN_APPEND_FOLDER";

    void SetUp() override
    {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "only root can give the file a foreign owner";
        }
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        if (const char* inherited = std::getenv(kFolderVariable)) {
            folder = inherited;
            return;
        }
        folder = test::makeFolderOwnedByNobody("qm-append-");
        ASSERT_FALSE(folder.empty());
        ASSERT_FALSE(file::writeAtomically(path(), GetParam().before, GetParam().mode));
        setenv(kFolderVariable, folder.c_str(), 1);
    }

    void TearDown() override
    {
        unsetenv(kFolderVariable);
        if (!folder.empty()) {
            fs::remove_all(folder);
        }
    }

    fs::path path() const { return folder / "log.txt"; }

    // In the child: becomes "nobody" and appends; exits 0 when appended, else
    // 10 plus the step at which it stopped.
    [[noreturn]] void appendAsNobody() const
    {
        if (!test::becomeNobody()) {
            std::_Exit(2);
        }
        const auto failure = file::appendLine(path(), "new\n", GetParam().options);
        std::_Exit(failure ? 10 + static_cast<int>(failure->step) : 0);
    }

    fs::path folder;
};

TEST_P(AppendLineForeignFile, ReadableContentIsReplacedWithEveryByteKeptAndTheRestLeftAlone)
{
    const ForeignCase& c = GetParam();
    const int exitCode = c.failure ? 10 + static_cast<int>(*c.failure) : 0;
    EXPECT_EXIT(appendAsNobody(), ::testing::ExitedWithCode(exitCode), "");
    EXPECT_EQ(contentOf(path()), c.after);
    EXPECT_EQ(file::permissions(path()), c.modeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AppendLineForeignFile,
    ::testing::Values(
        ForeignCase{"PrivateBytes", "one\ntwo", 0644, kPrivate, std::nullopt, "one\ntwo\nnew\n", 0600},
        ForeignCase{"BytesThatAreNotUtf8", "caf\xE9\n", 0644, kPrivate, std::nullopt, "caf\xE9\nnew\n", 0600},
        ForeignCase{"UsersTextKeepsItsMode", "one\r\n", 0644, kUsersOwn, std::nullopt, "one\r\n\nnew\n",
                    0644},
        // In place the last byte decides; a replacement is judged as text.
        ForeignCase{"ReplacedTextIsJudgedByCharacters", "one\r\n", 0644, kBytesInPlaceTextReplaced,
                    std::nullopt, "one\r\n\nnew\n", 0600},
        ForeignCase{"TextThatIsNotUtf8IsLeftAlone", "caf\xE9\n", 0644, kUsersOwn,
                    AppendStep::readForReplacement, "caf\xE9\n", 0644},
        ForeignCase{"UnreadableIsLeftAlone", "one\n", 0600, kPrivate, AppendStep::readForReplacement, "one\n",
                    0600}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qm
