#include "targets/ObsidianTarget.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "base/FileError.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/PlatformError.h"
#include "platform/storage/UserDefaults.h"
#include "support/WithoutFileOverride.h"
#include "targets/LandingRig.h"
#include "targets/ObsidianDailyNotes.h"
#include "targets/TimeZoneScope.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// Monday, 7 December 2026, 09:05 UTC.
constexpr double kMonday0905 = 1796634300.0;
// Thursday, 31 December 2026, 23:30 UTC: already in week 1 of 2027 by the week-based year.
constexpr double kNewYearsEve2330 = 1798759800.0;
// Friday, 1 January 2027, 00:30 UTC.
constexpr double kNewYear0030 = 1798763400.0;

std::string contentOf(const fs::path& file)
{
    std::error_code error;
    return file::readAll(file, error).value_or("<unreadable>");
}

void write(const fs::path& file, const std::string& content)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

// An Obsidian target with its own settings and a vault in a private folder.
class ObsidianTargetTest : public LandingRig {
protected:
    ObsidianTargetTest()
    {
        fs::create_directories(vault() / ".obsidian");
        defaults.set("obsidianVaultPath", vault().string());
        clock.set(kMonday0905);
    }

    fs::path vault() const { return folder / "Vault"; }
    void configure(const std::string& dailyNotesJson)
    {
        write(vault() / ".obsidian/daily-notes.json", dailyNotesJson);
    }
    // "~/..." for a path under the test's home folder.
    static std::string tilde(const fs::path& path)
    {
        return "~/" + path.lexically_relative(testHome()).string();
    }

    TimeZoneScope zone{"UTC"};
    TempDir folder;
    UserDefaults defaults{""};
    ObsidianTarget target{defaults, clock, landing};
};

TEST_F(ObsidianTargetTest, FirstCaptureOfTheDayStartsTheNoteAndLaterOnesFollowIt)
{
    EXPECT_EQ(target.commandName(), "obsidian");
    EXPECT_FALSE(target.needsPicker());
    EXPECT_TRUE(target.pickerOptions(CancellationToken()).empty());

    Log::Capture log;
    target.send("  call mom \n", PickerOption{"ignored", "Ignored"});
    clock.advance(60);
    target.send("buy milk", std::nullopt);

    const fs::path note = vault() / "2026-12-07.md";
    EXPECT_EQ(contentOf(note), "# 2026-12-07\n\n- [09:05] call mom\n- [09:06] buy milk\n");
    ASSERT_EQ(openLoops.loops().size(), 2u);
    const OpenLoop& first = openLoops.loops().back();
    EXPECT_EQ(first.text, "call mom");
    EXPECT_EQ(first.target, "obsidian");
    EXPECT_EQ(first.receipt, "Obsidian · 2026-12-07.md");
    EXPECT_EQ(first.revealPath, note.string());
    EXPECT_EQ(hud.size(), 2u);
    EXPECT_TRUE(
        log.contains("📝 ObsidianTarget: Successfully captured line to Daily Note at: " + note.string()));
    EXPECT_FALSE(log.contains("Auto-detected"));
}

TEST_F(ObsidianTargetTest, VaultSettingsDecideFolderNameAndTemplate)
{
    // Set inside the vault: the vault's own settings still apply, from its root.
    defaults.set("obsidianVaultPath", "  " + tilde(vault() / "Projects") + " \n");
    fs::create_directories(vault() / "Projects");
    configure(
        R"({"folder": "  Journal/Daily \n", "format": "YYYY/MM/YYYY-MM-DD dddd", "template": "Templates/Day",
                  "autorun": true})");
    write(vault() / "Templates/Day.md", "## {{date}}\nMood:");

    Log::Capture log;
    target.send("call mom", std::nullopt);

    const fs::path note = vault() / "Journal/Daily/2026/12/2026-12-07 Monday.md";
    // The template is taken verbatim; it ends without a newline, so the bullet gets one.
    EXPECT_EQ(contentOf(note), "## {{date}}\nMood:\n- [09:05] call mom\n");
    ASSERT_EQ(openLoops.loops().size(), 1u);
    EXPECT_EQ(openLoops.loops().front().receipt, "Obsidian · 2026-12-07 Monday.md");
    EXPECT_EQ(openLoops.loops().front().revealPath, note.string());
    EXPECT_FALSE(fs::exists(vault() / "Projects/2026-12-07.md"));
    for (const std::string& line : {
             "📝 ObsidianTarget: Configured path was inside the vault; using vault root '" + vault().string() +
                 "'",
             std::string("📝 ObsidianTarget: Auto-detected daily notes folder 'Journal/Daily' from config"),
             std::string("📝 ObsidianTarget: Auto-detected custom date format 'yyyy/MM/yyyy-MM-dd EEEE'"),
             std::string("📝 ObsidianTarget: Auto-detected template path 'Templates/Day'"),
             std::string(
                 "📝 ObsidianTarget: Successfully initialized daily note using template 'Templates/Day'"),
         }) {
        EXPECT_TRUE(log.contains(line)) << line;
    }
}

TEST_F(ObsidianTargetTest, SettingsFileFallsBackKeyByKey)
{
    struct Case {
        const char* name;
        std::optional<std::string> settingsFile;
        std::string folderSetting;
        std::optional<std::string> templateNote;  // Templates/Day.md
        fs::path note;
        std::string content;
        bool folderDetected = false;
    };
    const std::string heading = "# 2026-12-07\n\n- [09:05] x\n";
    const Case cases[] = {
        {"NoSettingsFile", std::nullopt, "", std::nullopt, "2026-12-07.md", heading},
        {"EmptyObject", "{}", "", std::nullopt, "2026-12-07.md", heading},
        {"NotJson", "{folder: Daily", "", std::nullopt, "2026-12-07.md", heading},
        {"NotAnObject", R"(["Daily"])", "", std::nullopt, "2026-12-07.md", heading},
        {"ValuesOfOtherTypes", R"({"folder": 3, "format": ["DD"], "template": null})", "", "T",
         "2026-12-07.md", heading},
        {"EmptyValues", R"({"folder": " ", "format": "", "template": ""})", "", "T", "2026-12-07.md",
         heading},
        {"FolderSettingWins", R"({"folder": "Daily", "format": "DD-MM-YYYY"})", " Inbox ", std::nullopt,
         "Inbox/07-12-2026.md", "# 07-12-2026\n\n- [09:05] x\n"},
        {"TemplateNamedWithItsEnding", R"({"template": "Templates/Day.md"})", "", "T", "2026-12-07.md",
         "T\n- [09:05] x\n"},
        {"MissingTemplateGivesTheHeading", R"({"template": "Templates/Gone"})", "", "T", "2026-12-07.md",
         heading},
        {"AbsoluteFolderStaysInTheVault", R"({"folder": "/Daily"})", "", std::nullopt, "Daily/2026-12-07.md",
         heading, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(vault());
        fs::create_directories(vault() / ".obsidian");
        if (c.settingsFile) {
            configure(*c.settingsFile);
        }
        if (c.templateNote) {
            write(vault() / "Templates/Day.md", *c.templateNote);
        }
        defaults.set("obsidianDailyNotesFolder", c.folderSetting);
        Log::Capture log;
        target.send("x", std::nullopt);
        EXPECT_EQ(contentOf(vault() / c.note), c.content);
        EXPECT_EQ(log.contains("Auto-detected daily notes folder"), c.folderDetected);
    }
}

TEST_F(ObsidianTargetTest, DateFormatsConvertAsObsidianMeansThem)
{
    const std::pair<const char*, const char*> cases[] = {
        {"YYYY-MM-DD", "yyyy-MM-dd"},
        {"DD-MM-YYYY", "dd-MM-yyyy"},
        {"YYYY/MM/YYYY-MM-DD", "yyyy/MM/yyyy-MM-dd"},
        {"YYYY-MM-DD dddd", "yyyy-MM-dd EEEE"},
        {"ddd, D MMM YYYY", "E, d MMM yyyy"},
        {"YY-MM-DD", "yy-MM-dd"},
        {"DDDD", "EEEE"},
        {"dddD", "EEEE"},
        {"DDD", "E"},
        {"[Week] ww", "[Week] ww"},
    };
    for (const auto& [obsidian, pattern] : cases) {
        EXPECT_EQ(ObsidianDailyNotes::convertDateFormat(obsidian), pattern) << obsidian;
    }
}

// Around New Year the week-based year is already the next one; the note's
// name takes the calendar year whatever the user's locale, and the day of
// the current time zone.
TEST_F(ObsidianTargetTest, NoteNamesAroundNewYearUseTheCalendarYearOfTheLocalDay)
{
    struct Case {
        const char* zone;
        const char* format;
        double now;
        const char* note;
        const char* bullet;
    };
    const Case cases[] = {
        {"UTC", "YY-MM-DD", kNewYearsEve2330, "26-12-31.md", "- [23:30] x\n"},
        {"UTC", "YYYY-MM-DD", kNewYearsEve2330, "2026-12-31.md", "- [23:30] x\n"},
        {"UTC", "YYYY-MM-DD", kNewYear0030, "2027-01-01.md", "- [00:30] x\n"},
        {"America/New_York", "YYYY-MM-DD", kNewYear0030, "2026-12-31.md", "- [19:30] x\n"},
    };
    {
        // On the last day of 2026 the week-based year is 2027: a pattern that kept it would show.
        TimeZoneScope local("UTC", "de_DE");
        ASSERT_EQ(Calendar::current().format(kNewYearsEve2330, "YY"), "27");
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.format);
        // The user's locale has weeks of its own; the note's name never depends on them.
        TimeZoneScope local(c.zone, "de_DE");
        fs::remove_all(vault());
        fs::create_directories(vault() / ".obsidian");
        configure(std::string(R"({"format": ")") + c.format + "\"}");
        clock.set(c.now);
        target.send("x", std::nullopt);
        const std::string content = contentOf(vault() / c.note);
        EXPECT_TRUE(content.ends_with(c.bullet)) << content;
    }
}

TEST_F(ObsidianTargetTest, IndexedFoldersSupplyTheVaultOnlyWhenNoneIsSet)
{
    fs::create_directories(folder / "Notes");
    fs::create_directories(folder / "Other/.obsidian");
    defaults.set("obsidianVaultPath", " \n");
    defaults.set("knowledgeFolders",
                 std::vector<std::string>{tilde(folder / "Notes"), tilde(folder / "Other"), tilde(vault())});
    target.send("x", std::nullopt);
    EXPECT_TRUE(fs::exists(folder / "Other/2026-12-07.md"));

    // A ".obsidian" file is enough to pick an indexed folder, which is then its own unmarked root.
    fs::remove_all(folder / "Other/.obsidian");
    write(folder / "Other/.obsidian", "file");
    clock.advance(86400);
    target.send("y", std::nullopt);
    EXPECT_TRUE(fs::exists(folder / "Other/2026-12-08.md"));

    // A vault setting that names a missing folder never falls back to them.
    defaults.set("obsidianVaultPath", (folder / "Gone").string());
    try {
        target.send("z", std::nullopt);
        ADD_FAILURE() << "sent without a vault";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.code(), 3);
    }
    defaults.removeObjectForKey("obsidianVaultPath");
    defaults.set("knowledgeFolders", std::vector<std::string>{tilde(folder / "Notes")});
    try {
        target.send("z", std::nullopt);
        ADD_FAILURE() << "sent without a vault";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.domain(), "ObsidianTarget");
        EXPECT_EQ(error.code(), 1);
        EXPECT_STREQ(error.what(),
                     "No Obsidian vault configured. Set your vault path under Capture Targets in "
                     "Quillmarker Settings.");
    }
    EXPECT_EQ(openLoops.loops().size(), 2u);
}

TEST_F(ObsidianTargetTest, BlankTextWritesNoLineButTheNoteExists)
{
    configure(R"({"folder": "Daily"})");
    target.send(" \n\t ", std::nullopt);
    EXPECT_EQ(contentOf(vault() / "Daily/2026-12-07.md"), "# 2026-12-07\n\n");
    EXPECT_TRUE(openLoops.loops().empty());
    EXPECT_TRUE(hud.empty());
}

// How an existing note ends decides whether the bullet needs a line break
// first. The note is appended to through a handle when it can be opened
// for writing, and otherwise rewritten whole from its text; a note that can
// neither be opened nor read as UTF-8 is never written over.
struct ExistingNoteCase {
    const char* name;
    std::string content;
    mode_t mode;
    // Nothing: the send fails and the note stays as it was.
    std::optional<std::string> after;
};

void PrintTo(const ExistingNoteCase& c, std::ostream* os)
{
    *os << c.name;
}

class ObsidianExistingNoteTest : public ObsidianTargetTest,
                                 public ::testing::WithParamInterface<ExistingNoteCase> {};

TEST_P(ObsidianExistingNoteTest, BulletFollowsTheLastLineOrLeavesTheNoteAlone)
{
    const ExistingNoteCase& c = GetParam();
    const fs::path note = vault() / "2026-12-07.md";
    write(note, c.content);
    ASSERT_EQ(::chmod(note.c_str(), c.mode), 0);

    std::optional<PlatformError> failure;
    ASSERT_TRUE(runWithoutFileOverride([&] {
        try {
            target.send("new", std::nullopt);
        } catch (const PlatformError& error) {
            failure = error;
        }
    }));
    ::chmod(note.c_str(), 0644);
    loop.runUntilIdle();

    EXPECT_EQ(contentOf(note), c.after.value_or(c.content));
    if (c.after) {
        EXPECT_FALSE(failure) << failure->what();
        EXPECT_EQ(openLoops.loops().size(), 1u);
    } else {
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->domain(), "ObsidianTarget");
        EXPECT_EQ(failure->code(), ObsidianTarget::kNoteLeftUnchangedCode);
        EXPECT_STREQ(failure->what(), "The daily note 2026-12-07.md could not be opened for writing, and its "
                                      "content could not be read as UTF-8 text, so it was left as it was.");
        EXPECT_TRUE(openLoops.loops().empty());
        EXPECT_TRUE(hud.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ObsidianExistingNoteTest,
    ::testing::Values(
        ExistingNoteCase{"EndsWithLineFeed", "a\n", 0644, "a\n- [09:05] new\n"},
        ExistingNoteCase{"NoFinalNewline", "a", 0644, "a\n- [09:05] new\n"},
        ExistingNoteCase{"Empty", "", 0644, "- [09:05] new\n"},
        // Its last byte is a line feed.
        ExistingNoteCase{"CrLf", "a\r\n", 0644, "a\r\n- [09:05] new\n"},
        ExistingNoteCase{"NotUtf8ButWritable", "caf\xE9", 0644, "caf\xE9\n- [09:05] new\n"},
        ExistingNoteCase{"ReadOnlyTextIsRewrittenWithEveryLine", "a\n", 0444, "a\n- [09:05] new\n"},
        // Compared as text, a carriage return and line feed is one character that is no line feed.
        ExistingNoteCase{"ReadOnlyCrLf", "a\r\n", 0444, "a\r\n\n- [09:05] new\n"},
        ExistingNoteCase{"ReadOnlyNotUtf8IsLeftAlone", "caf\xE9\n", 0444, std::nullopt},
        ExistingNoteCase{"UnreadableIsLeftAlone", "a\n", 0200, std::nullopt},
        ExistingNoteCase{"NoAccessIsLeftAlone", "a\n", 0000, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ObsidianTargetTest, SomethingOtherThanAFileWhereTheNoteBelongsFailsTheSend)
{
    fs::create_directories(vault() / "2026-12-07.md");
    EXPECT_THROW(target.send("x", std::nullopt), FileError);
    write(vault() / "Daily", "a file where the folder belongs");
    configure(R"({"folder": "Daily"})");
    EXPECT_THROW(target.send("x", std::nullopt), FileError);
    EXPECT_EQ(contentOf(vault() / "Daily"), "a file where the folder belongs");
    EXPECT_TRUE(openLoops.loops().empty());
}

}  // namespace
}  // namespace qm::test
