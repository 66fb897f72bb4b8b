#include "records/ReturnWhisper.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "records/IfThenLine.h"
#include "records/OpenLoopFile.h"
#include "records/OpenLoopRig.h"

namespace qm {
namespace {

using test::HudMessage;
using test::OpenLoopRig;

OpenLoop loopOf(std::vector<std::string> cueTokens, std::optional<std::string> bundleId,
                std::string windowTitle)
{
    OpenLoop loop;
    loop.id = Uuid::random();
    loop.text = "text";
    loop.action = "action";
    loop.cueTokens = std::move(cueTokens);
    loop.bundleId = std::move(bundleId);
    loop.windowTitle = std::move(windowTitle);
    loop.departed = true;
    return loop;
}

struct MatchCase {
    const char* what;
    OpenLoop loop;
    std::optional<std::string> bundleId;
    std::string appName;
    std::string windowTitle;
    bool matches;
};

TEST(ReturnWhisperMatchTest, CueLoopsMatchAnywhereAndOthersOnlyTheirOwnApplicationAndWindow)
{
    const std::optional<std::string> safari = "com.apple.Safari";
    const MatchCase cases[] = {
        {"cue in the title, any case", loopOf({"budget"}, "com.apple.TextEdit", ""), "com.example.numbers",
         "Numbers", "Q3 BUDGET", true},
        {"cue in the application name", loopOf({"budget"}, "com.apple.TextEdit", ""), "com.example.b",
         "Budget Pro", "", true},
        {"cue nowhere", loopOf({"budget"}, "com.apple.TextEdit", ""), "com.example.numbers", "Numbers",
         "Totals", false},
        {"any one cue word", loopOf({"standup", "release"}, std::nullopt, ""), safari, "Safari",
         "Release notes", true},
        {"cue as a plain substring", loopOf({"plan"}, std::nullopt, ""), safari, "Safari", "Airplane", true},
        {"cue in its own application", loopOf({"budget"}, safari, "x"), safari, "Safari", "budget", true},
        {"an empty cue word", loopOf({""}, std::nullopt, ""), safari, "Safari", "anything", false},
        {"same application, shared word", loopOf({}, safari, "Quarterly budget review"), safari, "Safari",
         "Budget 2024 \u2014 Sheets", true},
        {"same application, unrelated title", loopOf({}, safari, "Quarterly budget review"), safari, "Safari",
         "Inbox", false},
        {"same application, unreadable title", loopOf({}, safari, "Quarterly budget review"), safari,
         "Safari", "", false},
        {"other application, shared word", loopOf({}, safari, "Quarterly budget review"),
         "com.example.numbers", "Numbers", "Budget", false},
        {"both without identifier", loopOf({}, std::nullopt, "Budget"), std::nullopt, "Tool", "budget", true},
        {"loop without identifier", loopOf({}, std::nullopt, "Budget"), safari, "Safari", "budget", false},
        {"activation without identifier", loopOf({}, safari, "Budget"), std::nullopt, "Tool", "budget",
         false},
        {"stored title empty", loopOf({}, safari, ""), safari, "Safari", "", false},
        {"stored title of stop words", loopOf({}, safari, "The App"), safari, "Safari", "The App", false},
        {"short words only", loopOf({}, safari, "Q3 to do"), safari, "Safari", "Q3 to do", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReturnWhisper::matches(c.loop, c.bundleId, c.appName, c.windowTitle), c.matches);
    }
}

TEST(ReturnWhisperMatchTest, PicksTheNewestOpenDepartedMatch)
{
    std::vector<OpenLoop> loops = {loopOf({"budget"}, std::nullopt, ""), loopOf({"budget"}, std::nullopt, ""),
                                   loopOf({"budget"}, std::nullopt, ""),
                                   loopOf({"budget"}, std::nullopt, "")};
    loops[0].closed = true;
    loops[1].departed = false;
    const auto pick = [&] { return ReturnWhisper::pick(loops, std::nullopt, "Numbers", "Budget"); };
    EXPECT_EQ(pick(), std::optional<std::size_t>(2));
    loops[2].cueTokens = {"totals"};
    EXPECT_EQ(pick(), std::optional<std::size_t>(3));
    loops[3].closed = true;
    EXPECT_EQ(pick(), std::nullopt);
}

TEST(ReturnWhisperMatchTest, MessageCutsLongBodiesTo70Characters)
{
    struct Case {
        std::string action;
        std::string text;
        std::string body;
    };
    const std::string seventyTwo(72, 'a');
    const std::string seventyThree = std::string(69, 'b') + "cdef";
    std::string emoji;
    for (int i = 0; i < 73; ++i) {
        emoji += "\U0001F469\u200D\U0001F4BB";  // one character of three code points
    }
    std::string emojiCut;
    for (int i = 0; i < 69; ++i) {
        emojiCut += "\U0001F469\u200D\U0001F4BB";
    }
    const Case cases[] = {
        {"check the totals", "when budget, check the totals", "check the totals"},
        {"", "the whole text", "the whole text"},
        {seventyTwo, "t", seventyTwo},
        {seventyThree, "t", std::string(69, 'b') + "\u2026"},
        {emoji, "t", emojiCut + "\u2026"},
    };
    for (const auto& c : cases) {
        OpenLoop loop;
        loop.action = c.action;
        loop.text = c.text;
        EXPECT_EQ(ReturnWhisper::message(loop), "Back to this \u00B7 " + c.body);
    }
}

class ReturnWhisperTest : public ::testing::Test {
protected:
    void parkWhenLine(const std::string& text, const HostCaptureContext& context)
    {
        const auto line = IfThenLine::parse(text);
        ASSERT_TRUE(line.has_value());
        rig.store->park(text, line->action, "copy", "Copied", std::nullopt, context, line->tokens);
    }

    HudMessage whisper(const std::string& body)
    {
        return {"Back to this \u00B7 " + body, "arrow.uturn.backward"};
    }

    OpenLoopRig rig;
    SimApplication textEdit = rig.desktop.addApplication("com.apple.TextEdit", "TextEdit");
    SimApplication numbers = rig.desktop.addApplication("com.example.numbers", "Numbers");
    SimApplication finder = rig.desktop.addApplication("com.apple.finder", "Finder");
    SimElement textEditWindow = textEdit.addWindow("notes.txt");
    SimElement numbersWindow = numbers.addWindow("Q3 BUDGET");
    SimElement finderWindow = finder.addWindow("Downloads");
    const HostCaptureContext inTextEdit{"TextEdit", "com.apple.TextEdit", "notes.txt"};
};

TEST_F(ReturnWhisperTest, ACueLoopIsWhisperedInAWindowThatNamesItsCue)
{
    parkWhenLine("when budget, check the totals", inTextEdit);
    rig.activate(numbers);

    EXPECT_EQ(rig.hud, std::vector<HudMessage>{whisper("check the totals")});
    EXPECT_FALSE(rig.store->loops()[0].departed);
    rig.store = rig.makeStore();
    EXPECT_FALSE(rig.store->loops()[0].departed);
}

TEST_F(ReturnWhisperTest, OnlyTheLastOfQuickSwitchesIsChecked)
{
    parkWhenLine("when budget, check the totals", inTextEdit);
    auto sheets = rig.desktop.addApplication("com.example.sheets", "Sheets");
    sheets.addWindow("Budget 2024");

    rig.activate(numbers, false);
    rig.loop.advance(0.2);
    rig.activate(sheets, false);
    rig.loop.advance(0.2);
    rig.activate(finder, false);
    rig.loop.advance(ReturnWhisper::delay);
    EXPECT_TRUE(rig.hud.empty());
    EXPECT_EQ(rig.store->whisperGeneration(), 3);
    EXPECT_TRUE(rig.store->loops()[0].departed);  // armed by the one check, for Finder

    rig.activate(textEdit, false);
    rig.loop.advance(0.2);
    rig.activate(numbers, false);
    rig.loop.advance(0.44);
    EXPECT_TRUE(rig.hud.empty());
    rig.loop.advance(0.02);
    EXPECT_EQ(rig.hud, std::vector<HudMessage>{whisper("check the totals")});
    rig.loop.advance(5);
    EXPECT_EQ(rig.hud.size(), 1u);
}

TEST_F(ReturnWhisperTest, SilentWhileACaptureIsTypedOrWithinTheQuietWindowButStaysArmed)
{
    parkWhenLine("when budget, check the totals", inTextEdit);

    rig.captureModeActive = true;
    rig.activate(numbers);
    EXPECT_TRUE(rig.hud.empty());
    EXPECT_TRUE(rig.store->loops()[0].departed);

    rig.captureModeActive = false;
    rig.quietWindow.begin();
    rig.clock.advance(10);
    rig.activate(finder);
    rig.activate(numbers);
    EXPECT_TRUE(rig.hud.empty());
    EXPECT_TRUE(rig.store->loops()[0].departed);

    rig.clock.advance(10);
    rig.activate(finder);
    rig.activate(numbers);
    EXPECT_EQ(rig.hud, std::vector<HudMessage>{whisper("check the totals")});
}

TEST_F(ReturnWhisperTest, ACueLoopIsWhisperedAgainAtLaterActivationsOfOtherApplicationsOnly)
{
    parkWhenLine("when budget, check the totals", inTextEdit);
    textEditWindow.setTitle("budget notes.txt");

    rig.activate(numbers);
    rig.activate(textEdit);  // its own application: at rest since the whisper, not armed again
    rig.activate(numbers);
    EXPECT_EQ(rig.hud, (std::vector<HudMessage>{whisper("check the totals"), whisper("check the totals")}));
}

TEST_F(ReturnWhisperTest, ALoopWithoutCueReturnsWithItsApplicationAndAWindowSharingAWord)
{
    auto safari = rig.desktop.addApplication("com.apple.Safari", "Safari");
    auto safariWindow = safari.addWindow("Quarterly budget review");
    rig.park("ask Dana about Q3",
             HostCaptureContext{"Safari", "com.apple.Safari", "Quarterly budget review"});

    rig.activate(safari);
    EXPECT_TRUE(rig.hud.empty());
    EXPECT_FALSE(rig.store->loops()[0].departed);  // its own application does not arm it

    rig.activate(finder);
    safariWindow.setTitle("Inbox");
    rig.activate(safari);
    EXPECT_TRUE(rig.hud.empty());
    EXPECT_TRUE(rig.store->loops()[0].departed);  // still armed, waiting for a matching window

    safariWindow.setTitle("Budget 2024 \u2014 Sheets");
    rig.activate(safari);
    EXPECT_EQ(rig.hud, std::vector<HudMessage>{whisper("ask Dana about Q3")});

    rig.activate(safari);  // not departed again: no second whisper
    EXPECT_EQ(rig.hud.size(), 1u);
}

TEST_F(ReturnWhisperTest, ALoopWithoutSignificantStoredTitleWordsIsNeverWhispered)
{
    for (const char* stored : {"", "The App", "Q3 to do"}) {
        SCOPED_TRACE(stored);
        OpenLoopRig caseRig;
        auto app = caseRig.desktop.addApplication("com.example.app", "App");
        app.addWindow(stored);
        auto other = caseRig.desktop.addApplication("com.example.other", "Other");
        caseRig.park("plain", HostCaptureContext{"App", "com.example.app", stored});
        caseRig.activate(other);
        caseRig.activate(app);
        EXPECT_TRUE(caseRig.hud.empty());
        EXPECT_TRUE(caseRig.store->loops()[0].departed);
    }
}

TEST_F(ReturnWhisperTest, SwitchingToThisProgramArmsOtherApplicationsLoopsAndShowsNothing)
{
    rig.park("from TextEdit", inTextEdit);
    rig.park("from here", HostCaptureContext{"Quillmarker", "com.quillmarker.app", "Settings"});
    rig.park("closed one", inTextEdit);
    rig.store->markDone(rig.store->loops()[0].id);

    rig.desktop.ownApplication().activate();
    rig.store->noteAppActivated(rig.desktop.ownApplication().runningApplication());
    EXPECT_EQ(rig.loop.nextDueTime(), std::nullopt);
    rig.loop.advance(1);

    EXPECT_TRUE(rig.hud.empty());
    EXPECT_EQ(rig.store->whisperGeneration(), 1);
    EXPECT_FALSE(rig.store->loops()[0].departed);  // closed loops never arm
    EXPECT_FALSE(rig.store->loops()[1].departed);
    EXPECT_TRUE(rig.store->loops()[2].departed);

    rig.store = rig.makeStore();
    EXPECT_TRUE(rig.store->loops()[2].departed);
}

TEST_F(ReturnWhisperTest, AnApplicationWithoutIdentifierArmsOnlyLoopsThatHaveOne)
{
    rig.park("with identifier", inTextEdit);
    rig.park("without identifier", HostCaptureContext{"Tool", std::nullopt, "x"});
    auto tool = rig.desktop.addApplication(std::nullopt, "Tool");

    rig.activate(tool);
    EXPECT_FALSE(rig.store->loops()[0].departed);
    EXPECT_TRUE(rig.store->loops()[1].departed);
}

TEST_F(ReturnWhisperTest, TheNewerOfTwoMatchingLoopsGoesFirstAndTheOlderNextTime)
{
    parkWhenLine("when budget, check the totals",
                 HostCaptureContext{"Sheets", "com.example.sheets", "Budget"});
    parkWhenLine("when budget then email Sam", inTextEdit);
    parkWhenLine("when payroll, run it", inTextEdit);

    rig.activate(numbers);
    EXPECT_EQ(rig.hud, std::vector<HudMessage>{whisper("email Sam")});
    // Back in TextEdit the newer loop is at home and stays at rest; the older one speaks.
    textEditWindow.setTitle("budget notes.txt");
    rig.activate(textEdit);
    EXPECT_EQ(rig.hud, (std::vector<HudMessage>{whisper("email Sam"), whisper("check the totals")}));
}

TEST_F(ReturnWhisperTest, ClosedLoopsAreNeverWhispered)
{
    parkWhenLine("when budget, check the totals", inTextEdit);
    rig.store->markDone(rig.store->loops()[0].id);
    rig.activate(numbers);
    EXPECT_TRUE(rig.hud.empty());
    EXPECT_FALSE(rig.store->loops()[0].departed);
}

TEST_F(ReturnWhisperTest, AStoreThatIsGoneBeforeTheCheckDoesNothing)
{
    parkWhenLine("when budget, check the totals", inTextEdit);
    numbers.activate();
    rig.store->noteAppActivated(numbers.runningApplication());
    rig.store.reset();
    rig.loop.advance(1);
    EXPECT_TRUE(rig.hud.empty());
}

}  // namespace
}  // namespace qm
