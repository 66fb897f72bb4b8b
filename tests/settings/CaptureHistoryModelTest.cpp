#include "settings/CaptureHistoryModel.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "base/Calendar.h"
#include "support/SettingsRig.h"

namespace qm {
namespace {

class CaptureHistoryModelTest : public testing::Test {
protected:
    CaptureHistoryModelTest()
    {
        model.onChange = [this] { ++redraws; };
    }

    void record(const std::string& target, const std::string& text, bool success = true)
    {
        rig.history.record(target, text, success);
        rig.clock.advance(1);
        rig.loop.runUntilIdle();
    }

    std::vector<std::string> texts()
    {
        std::vector<std::string> result;
        for (const auto& entry : model.entries()) {
            result.push_back(entry.text);
        }
        return result;
    }

    test::SettingsRig rig;
    CaptureHistoryModel model{rig.history, rig.pasteboard, rig.center, rig.loop, rig.clock};
    int redraws = 0;
};

TEST_F(CaptureHistoryModelTest, StartsEmptyLoadsOnAppearAndFollowsTheStore)
{
    EXPECT_TRUE(model.entries().empty());
    record("note", "first");
    model.load();
    EXPECT_EQ(texts(), std::vector<std::string>{"first"});
    record("copy", "second");
    EXPECT_EQ(texts(), (std::vector<std::string>{"second", "first"}))
        << "a new capture shows without any action";
    EXPECT_EQ(model.stats().totalCount, 2);
    EXPECT_EQ(model.statCards()[4].value, "2");
}

TEST_F(CaptureHistoryModelTest, SearchReloadsOnEveryChangeWithTheStoresLikeMatch)
{
    record("note", "buy milk");
    record("slack", "standup at ten");
    record("note", "call mum", false);
    model.load();
    struct Case {
        std::string query;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"MILK", {"buy milk"}},
        {"slack", {"standup at ten"}},
        {"m_lk", {"buy milk"}},
        {"   ", {"call mum", "standup at ten", "buy milk"}},
        {"zzz", {}},
    };
    for (const auto& c : cases) {
        model.setSearchQuery(c.query);
        EXPECT_EQ(texts(), c.texts) << c.query;
    }
    EXPECT_EQ(model.stats().totalCount, 2) << "statistics cover the whole history, successful captures only";
}

TEST_F(CaptureHistoryModelTest, EmptyStateQuotesTheSearchAsTyped)
{
    model.load();
    EXPECT_EQ(model.emptyStateText(), "No captures yet. Type // anywhere to make your first one.");
    model.setSearchQuery("  ");
    EXPECT_EQ(model.emptyStateText(), "No captures match \"  \".");
}

TEST_F(CaptureHistoryModelTest, CopyMarksTheRowForOneAndAHalfSecondsOfTheFirstCopy)
{
    record("note", "alpha");
    record("note", "beta");
    model.load();
    const auto beta = model.entries()[0];
    const auto alpha = model.entries()[1];

    model.copyEntry(alpha);
    EXPECT_EQ(rig.pasteboard.string(Pasteboard::typeString), "alpha");
    EXPECT_EQ(model.copiedEntryId(), alpha.id);
    rig.loop.advance(1.0);
    model.copyEntry(beta);
    EXPECT_EQ(model.copiedEntryId(), beta.id);
    rig.loop.advance(0.5);
    EXPECT_EQ(model.copiedEntryId(), beta.id) << "alpha's reset leaves beta's mark";
    rig.loop.advance(1.0);
    EXPECT_FALSE(model.copiedEntryId());

    model.copyEntry(alpha);
    rig.loop.advance(1.0);
    model.copyEntry(alpha);
    rig.loop.advance(0.5);
    EXPECT_FALSE(model.copiedEntryId()) << "a second copy does not extend the mark";
}

TEST_F(CaptureHistoryModelTest, ARefusedCopyLeavesTheClipboardAsItWasAndSaysSo)
{
    record("note", "secret plan");
    model.load();
    ASSERT_TRUE(rig.pasteboard.setString("what the user had", Pasteboard::typeString));
    rig.pasteboard.setWritesFail(true);
    model.copyEntry(model.entries()[0]);
    rig.pasteboard.setWritesFail(false);
    EXPECT_EQ(rig.pasteboard.string(Pasteboard::typeString), "what the user had");
    EXPECT_FALSE(model.copiedEntryId());
    EXPECT_EQ(rig.hud, std::vector<std::string>{"Could not copy this capture. Try again."});
}

TEST_F(CaptureHistoryModelTest, ClearRunsOnlyWhenConfirmedAndTheNoticeEmptiesThePage)
{
    record("note", "keep me");
    model.load();
    model.clearHistory([](auto answer) { answer(false); });
    EXPECT_EQ(texts(), std::vector<std::string>{"keep me"});
    model.clearHistory([](auto answer) { answer(true); });
    EXPECT_TRUE(model.entries().empty());
    EXPECT_EQ(model.stats(), CaptureStats{});
}

// The row's time: the medium date (with its year) and the short time (no
// seconds), in the user's own language and time zone.
TEST_F(CaptureHistoryModelTest, ATimeReadsAsTheMediumDateAndTheShortTime)
{
    const char* zone = std::getenv("TZ");
    if (!zone || std::string(zone) != "UTC") {
        GTEST_SKIP() << "the expected text is the time in UTC";
    }
    // 2023-11-14 22:13:20 UTC.
    const std::string shown = CaptureHistoryModel::formatTime(1'700'000'000);
    EXPECT_NE(shown.find("2023"), std::string::npos) << shown;
    EXPECT_NE(shown.find("14"), std::string::npos) << shown;
    EXPECT_TRUE(shown.find("10:13") != std::string::npos || shown.find("22:13") != std::string::npos)
        << shown;
    EXPECT_EQ(shown.find(":20"), std::string::npos) << "no seconds: " << shown;
}

TEST_F(CaptureHistoryModelTest, AClosedPageIgnoresItsPendingReset)
{
    record("note", "alpha");
    {
        CaptureHistoryModel closing{rig.history, rig.pasteboard, rig.center, rig.loop, rig.clock};
        closing.load();
        closing.copyEntry(closing.entries()[0]);
        closing.onChange = [] { ADD_FAILURE() << "a closed page was touched"; };
    }
    rig.loop.advance(2.0);
    record("note", "after close");
}

}  // namespace
}  // namespace qm
