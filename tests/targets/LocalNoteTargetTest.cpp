#include "targets/LocalNoteTarget.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/FileError.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/PlatformError.h"
#include "support/Nobody.h"
#include "support/ScopedEnvironment.h"
#include "targets/LandingRig.h"
#include "targets/TimeZoneScope.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// 2023-11-14 22:13:20 UTC, the manual clock's start.
constexpr const char* kStartStamp = "22:13";

std::string contentOf(const fs::path& file)
{
    std::error_code error;
    return file::readAll(file, error).value_or("<unreadable>");
}

// A note target writing into a private Documents folder.
class LocalNoteTargetTest : public LandingRig {
protected:
    fs::path noteFile() const { return documents / "Quillmarker" / "Quick Capture.md"; }

    TempDir documents;
    ScopedEnvironment documentsFolder{"XDG_DOCUMENTS_DIR", documents.path().string()};
    LocalNoteTarget target{clock, landing};
};

TEST_F(LocalNoteTargetTest, FirstCaptureCreatesTheFileAndLandsAsAnOpenLoop)
{
    EXPECT_EQ(target.commandName(), "note");
    EXPECT_FALSE(target.needsPicker());
    EXPECT_TRUE(target.pickerOptions(CancellationToken()).empty());
    EXPECT_EQ(LocalNoteTarget::captureFileURL(), noteFile());
    EXPECT_FALSE(fs::exists(noteFile()));

    Log::Capture log;
    target.send("  \n call mom \n", PickerOption{"ignored", "Ignored"});

    EXPECT_EQ(contentOf(noteFile()), std::string("# Quick Capture\n\n- [") + kStartStamp + "] call mom\n");
    ASSERT_EQ(openLoops.loops().size(), 1u);
    const OpenLoop& parked = openLoops.loops().front();
    EXPECT_EQ(parked.text, "call mom");
    EXPECT_EQ(parked.target, "note");
    EXPECT_EQ(parked.receipt, "Quick Capture.md");
    EXPECT_EQ(parked.revealPath, noteFile().string());
    EXPECT_EQ(parked.appName, "Editor");
    EXPECT_EQ(openLoops.lastRevealPath(), noteFile().string());
    EXPECT_EQ(hud, (std::vector<HudMessage>{{"Quick Capture.md", std::nullopt}}));
    EXPECT_TRUE(log.contains("📝 LocalNoteTarget: Captured line to Quick Capture at: " + noteFile().string()));

    target.send("buy bread", std::nullopt);
    EXPECT_EQ(contentOf(noteFile()), std::string("# Quick Capture\n\n- [") + kStartStamp + "] call mom\n- [" +
                                         kStartStamp + "] buy bread\n");
    EXPECT_EQ(openLoops.loops().size(), 2u);
}

TEST_F(LocalNoteTargetTest, BlankTextTouchesNothing)
{
    for (const char* blank : {"", "   ", " \n\t \n"}) {
        target.send(blank, std::nullopt);
    }
    EXPECT_FALSE(fs::exists(noteFile().parent_path()));
    EXPECT_TRUE(openLoops.loops().empty());
    EXPECT_TRUE(hud.empty());
}

struct AppendCase {
    const char* name;
    std::optional<std::string> before;  // nothing: no file yet
    const char* text;
    std::string after;
};

void PrintTo(const AppendCase& c, std::ostream* os)
{
    *os << c.name;
}

class LocalNoteAppendTest : public LocalNoteTargetTest, public ::testing::WithParamInterface<AppendCase> {};

TEST_P(LocalNoteAppendTest, BulletGoesOnALineOfItsOwn)
{
    const AppendCase& c = GetParam();
    const fs::path file = documents / "deep" / "folder" / "notes.md";
    if (c.before) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << *c.before;
    }
    LocalNoteTarget::appendCapture(c.text, file, SimClock::kDefaultStart);
    EXPECT_EQ(contentOf(file), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LocalNoteAppendTest,
    ::testing::Values(
        AppendCase{"NewFileGetsTheHeader", std::nullopt, "a", "# Quick Capture\n\n- [22:13] a\n"},
        AppendCase{"AfterABullet", "# Quick Capture\n\n- [10:00] a\n", "b",
                   "# Quick Capture\n\n- [10:00] a\n- [22:13] b\n"},
        AppendCase{"HandEditedEndGetsALineFeed", "my notes", "b", "my notes\n- [22:13] b\n"},
        AppendCase{"EmptyFileGetsNeitherHeaderNorLineFeed", "", "b", "- [22:13] b\n"},
        AppendCase{"CarriageReturnLineFeedIsNotALineFeed", "x\r\n", "b", "x\r\n\n- [22:13] b\n"},
        AppendCase{"ContentThatIsNotUtf8IsKeptAndCountsAsEmpty", "caf\xE9", "b", "caf\xE9- [22:13] b\n"},
        AppendCase{"MarkdownAndLineBreaksAsTyped", "", "# *not* a heading\nsecond line",
                   "- [22:13] # *not* a heading\nsecond line\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LocalNoteTargetTest, TimeIsTheTwentyFourHourClockWhateverTheLocale)
{
    // 2024-01-01 00:07:59 and 13:45 in Tokyo; the user's locale prefers a 12-hour clock.
    for (const char* locale : {"en_US", "de_DE", "ar_EG"}) {
        TimeZoneScope zone("Asia/Tokyo", locale);
        const fs::path file = documents / (std::string(locale) + ".md");
        LocalNoteTarget::appendCapture("late", file, 1704035279.0);
        LocalNoteTarget::appendCapture("lunch", file, 1704084300.0);
        EXPECT_EQ(contentOf(file), "# Quick Capture\n\n- [00:07] late\n- [13:45] lunch\n") << locale;
    }
}

// The failure is told to the user as it is: our sentence with the path and
// the cause, not the library's "filesystem error: ..." text.
TEST_F(LocalNoteTargetTest, FolderThatCannotBeMadeFailsTheSendUnconfirmed)
{
    std::ofstream(documents / "Quillmarker") << "a file where the folder belongs";
    try {
        target.send("call mom", std::nullopt);
        ADD_FAILURE() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Could not create the folder " + (documents / "Quillmarker").string() + ": not a folder");
        EXPECT_EQ(error.errorCode(), std::errc::not_a_directory);
    }
    EXPECT_TRUE(openLoops.loops().empty());
    EXPECT_TRUE(hud.empty());
    EXPECT_EQ(contentOf(documents / "Quillmarker"), "a file where the folder belongs");
}

TEST_F(LocalNoteTargetTest, SomethingOtherThanAFileInItsPlaceIsNeverReadOrWritten)
{
    fs::create_directories(noteFile());
    ASSERT_EQ(::mkfifo((documents / "pipe.md").c_str(), 0644), 0);
    for (const fs::path& place : {noteFile(), documents / "pipe.md"}) {
        try {
            LocalNoteTarget::appendCapture("x", place, SimClock::kDefaultStart);
            ADD_FAILURE() << "no error for " << place;
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Could not use the note " + place.string() + ": something other than a file is there");
        }
    }
    EXPECT_TRUE(fs::is_empty(noteFile()));
    EXPECT_TRUE(fs::is_fifo(documents / "pipe.md"));
}

// A file the user may read but not write is replaced by its content plus the
// bullet; one that cannot be read as UTF-8 text is never replaced. Only root
// can hand the file to another owner, so these run as root and append as the
// user "nobody" in a child.
struct ForeignFileCase {
    const char* name;
    const char* content;
    mode_t mode;
    bool replaced;
};

void PrintTo(const ForeignFileCase& c, std::ostream* os)
{
    *os << c.name;
}

class LocalNoteForeignFileTest : public ::testing::TestWithParam<ForeignFileCase> {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "only root can give the file a foreign owner";
        }
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        // The folder belongs to "nobody", who may replace files in it; the file
        // to root. Its name is unique, so that two runs at once never share it.
        // The death-test child runs SetUp again in a process of its own and
        // exits without TearDown: it takes over the parent's folder, handed down
        // in the environment, instead of making one that nobody would remove.
        if (const char* parents = std::getenv(kFolderVariable); parents && *parents) {
            folder = parents;
        } else {
            folder = test::makeFolderOwnedByNobody("qm-note-");
            ASSERT_FALSE(folder.empty());
            ownsFolder = true;
            ASSERT_EQ(::setenv(kFolderVariable, folder.c_str(), 1), 0);
        }
        ASSERT_FALSE(file::writeAtomically(file(), GetParam().content, GetParam().mode));
    }

    void TearDown() override
    {
        if (ownsFolder) {
            ::unsetenv(kFolderVariable);
            fs::remove_all(folder);
        }
    }

    static constexpr const char* kFolderVariable = "QM_TEST_FOREIGN_NOTE_FOLDER";

    fs::path file() const { return folder / "Quick Capture.md"; }

    // In the child: becomes "nobody" and appends; exits 0 when appended, 3 for our error.
    [[noreturn]] void appendAsNobody() const
    {
        if (!test::becomeNobody()) {
            std::_Exit(2);
        }
        try {
            LocalNoteTarget::appendCapture("new", file(), SimClock::kDefaultStart);
            std::_Exit(0);
        } catch (const PlatformError& error) {
            const bool ours = error.domain() == "LocalNoteTarget" &&
                              std::string(error.what()).find("left as it was") != std::string::npos;
            std::_Exit(ours ? 3 : 4);
        } catch (...) {
            std::_Exit(5);
        }
    }

    fs::path folder;
    bool ownsFolder = false;
};

TEST_P(LocalNoteForeignFileTest, NothingIsWrittenOverWhatCannotBeRead)
{
    const ForeignFileCase& c = GetParam();
    EXPECT_EXIT(appendAsNobody(), ::testing::ExitedWithCode(c.replaced ? 0 : 3), "");
    std::error_code error;
    const std::string expected = c.replaced ? std::string(c.content) + "- [22:13] new\n" : c.content;
    EXPECT_EQ(file::readAll(file(), error), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LocalNoteForeignFileTest,
                         ::testing::Values(ForeignFileCase{"ReadableTextIsReplacedWithEveryLineKept",
                                                           "# Quick Capture\n\n- [10:00] a\n", 0644, true},
                                           ForeignFileCase{"UnreadableIsLeftAlone",
                                                           "# Quick Capture\n\n- [10:00] a\n", 0600, false},
                                           ForeignFileCase{"ReadableButNotUtf8IsLeftAlone", "caf\xE9\n", 0644,
                                                           false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qm::test
