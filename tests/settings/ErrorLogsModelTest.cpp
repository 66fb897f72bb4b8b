#include "settings/ErrorLogsModel.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

class ErrorLogsModelTest : public testing::Test {
protected:
    void fail(const std::string& target, const std::string& text, const std::string& error)
    {
        ASSERT_TRUE(rig.fallback.saveFallback(text, target, std::runtime_error(error)));
        rig.clock.advance(1);
        rig.loop.runUntilIdle();
    }

    std::vector<std::string> shownTexts()
    {
        std::vector<std::string> result;
        for (const auto& entry : model.filteredEntries()) {
            result.push_back(entry.text);
        }
        return result;
    }

    test::SettingsRig rig;
    ErrorLogsModel model{rig.fallback, rig.pasteboard, rig.workspace, rig.center, rig.loop};
};

TEST_F(ErrorLogsModelTest, AFailureRecordedWhileThePageIsOpenShowsFirst)
{
    model.reload();
    EXPECT_TRUE(model.entries().empty());
    EXPECT_EQ(model.emptyStateText(),
              "No capture errors recorded. Failed // captures appear here automatically.");
    fail("slack", "ship it", "Slack is not connected");
    fail("obsidian", "daily thought", "Vault missing");
    EXPECT_EQ(shownTexts(), (std::vector<std::string>{"daily thought", "ship it"}));
}

TEST_F(ErrorLogsModelTest, SearchIsTrimmedLowerCasedAndCoversTargetErrorAndText)
{
    fail("slack", "ship it", "Token revoked");
    fail("obsidian", "Buy SLACKS", "Vault missing");
    fail("note", "plain", "Disk full");
    struct Case {
        std::string query;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {" SLACK ", {"Buy SLACKS", "ship it"}},
        {"revoked", {"ship it"}},
        {"   ", {"plain", "Buy SLACKS", "ship it"}},
        {"zzz", {}},
    };
    for (const auto& c : cases) {
        model.setSearchQuery(c.query);
        EXPECT_EQ(shownTexts(), c.texts) << c.query;
        EXPECT_EQ(model.statCards()[0].value, "3") << "the statistics count every loaded entry";
    }
    model.setSearchQuery("zzz");
    EXPECT_EQ(model.emptyStateText(), "No error log entries match \"zzz\".");
}

TEST_F(ErrorLogsModelTest, CopyPutsTheFourLabelledLinesAndMarksOnlyWhenTheClipboardTookThem)
{
    fail("slack", "ship it", "Token revoked");
    const auto entry = model.entries().at(0);
    model.copyEntry(entry);
    EXPECT_EQ(rig.pasteboard.string(Pasteboard::typeString),
              "target: //slack\ntime: " + ErrorLogsModel::formatTime(entry.timestamp) +
                  "\nerror: Token revoked\ntext: ship it");
    EXPECT_EQ(model.copiedEntryId(), entry.id);
    rig.loop.advance(1.6);
    EXPECT_FALSE(model.copiedEntryId());

    rig.pasteboard.setWritesFail(true);
    model.copyEntry(entry);
    EXPECT_FALSE(model.copiedEntryId());
    EXPECT_EQ(rig.hud, std::vector<std::string>{"Could not copy these error details. Try again."});
}

// The card's time: medium date and medium time in the POSIX English locale,
// whatever the user's language.
TEST_F(ErrorLogsModelTest, ATimeReadsAsTheMediumDateAndTimeInPosixEnglish)
{
    const char* zone = std::getenv("TZ");
    if (!zone || std::string(zone) != "UTC") {
        GTEST_SKIP() << "the expected text is the time in UTC";
    }
    EXPECT_EQ(ErrorLogsModel::formatTime(1'700'000'000), "Nov 14, 2023, 10:13:20\u202fPM");
}

TEST_F(ErrorLogsModelTest, RevealSelectsTheLogFileEvenBeforeItExists)
{
    model.revealInFileViewer();
    EXPECT_EQ(rig.workspace.revealedSelections(),
              std::vector<std::vector<std::string>>{{rig.fallback.logFileURL().string()}});
    EXPECT_FALSE(std::filesystem::exists(rig.fallback.logFileURL()));
}

TEST_F(ErrorLogsModelTest, ClearEmptiesTheListAndKeepsItsStatusAcrossReloads)
{
    fail("note", "lost", "Disk full");
    model.clearLog();
    EXPECT_TRUE(model.entries().empty());
    EXPECT_EQ(model.statusMessage(), "Error log cleared.");
    rig.loop.runUntilIdle();
    model.reload();
    EXPECT_EQ(model.statusMessage(), "Error log cleared.");
}

TEST_F(ErrorLogsModelTest, AFailedClearKeepsEveryCardAndSaysWhy)
{
    fail("note", "lost", "Disk full");
    // A folder where the log file belongs cannot be replaced by an empty file.
    const auto log = rig.fallback.logFileURL();
    const auto moved = log.string() + ".kept";
    std::filesystem::rename(log, moved);
    std::filesystem::create_directories(log / "child");
    model.clearLog();
    EXPECT_EQ(model.statusMessage().rfind("Could not clear log: ", 0), 0u) << model.statusMessage();
    EXPECT_EQ(model.entries().size(), 1u);
}

}  // namespace
}  // namespace qm
