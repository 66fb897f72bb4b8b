#include "targets/LogseqTarget.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/FileError.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/PlatformError.h"
#include "platform/storage/UserDefaults.h"
#include "support/WithoutFileOverride.h"
#include "targets/LandingRig.h"
#include "targets/TimeZoneScope.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// Monday, 7 December 2026, 09:05 UTC.
constexpr double kMonday0905 = 1796634300.0;
// Friday, 1 January 2027, 00:30 UTC.
constexpr double kNewYear0030 = 1798763400.0;

std::string contentOf(const fs::path& file)
{
    std::error_code error;
    return file::readAll(file, error).value_or("<unreadable>");
}

// A Logseq target with its own settings and a graph folder that does not exist yet.
class LogseqTargetTest : public LandingRig {
protected:
    LogseqTargetTest()
    {
        defaults.set("logseqGraphPath", graph().string());
        clock.set(kMonday0905);
    }

    fs::path graph() const { return folder / "Graph"; }
    fs::path page() const { return graph() / "journals" / "2026_12_07.md"; }

    TimeZoneScope zone{"UTC"};
    TempDir folder;
    UserDefaults defaults{""};
    LogseqTarget target{defaults, clock, landing};
};

TEST_F(LogseqTargetTest, FirstCaptureCreatesTheGraphFoldersAndThePage)
{
    EXPECT_EQ(target.commandName(), "logseq");
    EXPECT_FALSE(target.needsPicker());
    EXPECT_TRUE(target.pickerOptions(CancellationToken()).empty());
    // Blanks around a tilde path: trimmed first, then expanded.
    defaults.set("logseqGraphPath", " \t~/" + graph().lexically_relative(testHome()).string() + "\n");

    Log::Capture log;
    target.send("  call mom\n", PickerOption{"ignored", "Ignored"});
    target.send("todo   buy milk ", std::nullopt);

    EXPECT_EQ(contentOf(page()), "- call mom\n- TODO buy milk\n");
    ASSERT_EQ(openLoops.loops().size(), 2u);
    const OpenLoop& first = openLoops.loops().back();
    EXPECT_EQ(first.text, "call mom");
    EXPECT_EQ(first.target, "logseq");
    EXPECT_EQ(first.receipt, "Logseq · 2026_12_07.md");
    EXPECT_EQ(first.revealPath, page().string());
    // The text as typed, not the bullet.
    EXPECT_EQ(openLoops.loops().front().text, "todo   buy milk");
    EXPECT_TRUE(log.contains("📝 LogseqTarget: Successfully captured line to Journal at: " + page().string()));
}

TEST_F(LogseqTargetTest, BulletForms)
{
    const std::pair<const char*, const char*> cases[] = {
        {"TODO Review PR", "- TODO Review PR\n"},
        {"todo   call back", "- TODO call back\n"},
        {"Todo", "- TODO \n"},
        {"todo: later", "- todo: later\n"},
        {"todos", "- todos\n"},
        {"Buy milk", "- Buy milk\n"},
        {"tOdO Über", "- TODO Über\n"},
        {"todo\tnext", "- todo\tnext\n"},
    };
    for (const auto& [text, line] : cases) {
        EXPECT_EQ(LogseqTarget::bulletLine(text), line) << text;
    }
}

TEST_F(LogseqTargetTest, TheJournalDayIsTheLocalDay)
{
    TimeZoneScope local("America/New_York", "de_DE");
    clock.set(kNewYear0030);
    target.send("x", std::nullopt);
    EXPECT_EQ(contentOf(graph() / "journals" / "2026_12_31.md"), "- x\n");
}

TEST_F(LogseqTargetTest, BlankTextDoesNothingEvenWithoutAGraph)
{
    defaults.removeObjectForKey("logseqGraphPath");
    target.send(" \n\t", std::nullopt);
    defaults.set("logseqGraphPath", graph().string());
    target.send("   ", std::nullopt);
    EXPECT_FALSE(fs::exists(graph()));
    EXPECT_TRUE(openLoops.loops().empty());
}

TEST_F(LogseqTargetTest, MissingGraphSettingFailsBeforeAnythingIsWritten)
{
    for (const char* setting : {"", "  \n"}) {
        defaults.set("logseqGraphPath", setting);
        try {
            target.send("call mom", std::nullopt);
            ADD_FAILURE() << "sent without a graph";
        } catch (const PlatformError& error) {
            EXPECT_EQ(error.domain(), "LogseqTarget");
            EXPECT_EQ(error.code(), 1);
            // The settings page that fixes it is named as the settings window names it.
            EXPECT_STREQ(error.what(),
                         "Logseq Graph Path is not configured. Please set your Logseq Graph Path under "
                         "Capture Targets in Quillmarker Settings.");
        }
    }
    EXPECT_TRUE(openLoops.loops().empty());
}

TEST_F(LogseqTargetTest, SomethingOtherThanAFileWhereThePageBelongsFailsTheSend)
{
    fs::create_directories(page());
    EXPECT_THROW(target.send("x", std::nullopt), FileError);
    fs::remove_all(graph());
    fs::create_directories(graph());
    std::ofstream(graph() / "journals") << "a file where the folder belongs";
    EXPECT_THROW(target.send("x", std::nullopt), FileError);
    EXPECT_EQ(contentOf(graph() / "journals"), "a file where the folder belongs");
    EXPECT_TRUE(openLoops.loops().empty());
}

// The separator comes from the page's text: a carriage return and line feed
// is one character that is no line feed, bytes that are not UTF-8 go by their
// last byte, and a page that cannot be read gets none. A page that can be opened for writing is appended to;
// otherwise it is rewritten from its text, and left alone when that cannot be read.
struct ExistingPageCase {
    const char* name;
    std::string content;
    mode_t mode;
    // Nothing: the send fails and the page stays as it was.
    std::optional<std::string> after;
};

void PrintTo(const ExistingPageCase& c, std::ostream* os)
{
    *os << c.name;
}

class LogseqExistingPageTest : public LogseqTargetTest,
                               public ::testing::WithParamInterface<ExistingPageCase> {};

TEST_P(LogseqExistingPageTest, BulletFollowsTheLastLineOrLeavesThePageAlone)
{
    const ExistingPageCase& c = GetParam();
    fs::create_directories(page().parent_path());
    std::ofstream(page(), std::ios::binary) << c.content;
    ASSERT_EQ(::chmod(page().c_str(), c.mode), 0);

    std::optional<PlatformError> failure;
    ASSERT_TRUE(runWithoutFileOverride([&] {
        try {
            target.send("new", std::nullopt);
        } catch (const PlatformError& error) {
            failure = error;
        }
    }));
    ::chmod(page().c_str(), 0644);
    loop.runUntilIdle();

    EXPECT_EQ(contentOf(page()), c.after.value_or(c.content));
    if (c.after) {
        EXPECT_FALSE(failure) << failure->what();
        EXPECT_EQ(openLoops.loops().size(), 1u);
    } else {
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->domain(), "LogseqTarget");
        EXPECT_EQ(failure->code(), LogseqTarget::kPageLeftUnchangedCode);
        EXPECT_STREQ(failure->what(),
                     "The journal page 2026_12_07.md could not be opened for writing, and its "
                     "content could not be read as UTF-8 text, so it was left as it was.");
        EXPECT_TRUE(openLoops.loops().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogseqExistingPageTest,
    ::testing::Values(ExistingPageCase{"EndsWithLineFeed", "- a\n", 0644, "- a\n- new\n"},
                      ExistingPageCase{"NoFinalNewline", "- a", 0644, "- a\n- new\n"},
                      ExistingPageCase{"Empty", "", 0644, "- new\n"},
                      ExistingPageCase{"CrLf", "- a\r\n", 0644, "- a\r\n\n- new\n"},
                      // Not text, but its bytes show the last line is open.
                      ExistingPageCase{"NotUtf8ButWritable", "caf\xE9", 0644, "caf\xE9\n- new\n"},
                      ExistingPageCase{"NotUtf8EndingWithLineFeed", "caf\xE9\n", 0644, "caf\xE9\n- new\n"},
                      ExistingPageCase{"WriteOnlyGetsNoSeparator", "- a", 0200, "- a- new\n"},
                      ExistingPageCase{"ReadOnlyTextIsRewrittenWithEveryLine", "- a", 0444, "- a\n- new\n"},
                      ExistingPageCase{"ReadOnlyNotUtf8IsLeftAlone", "caf\xE9\n", 0444, std::nullopt},
                      ExistingPageCase{"NoAccessIsLeftAlone", "- a\n", 0000, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qm::test
