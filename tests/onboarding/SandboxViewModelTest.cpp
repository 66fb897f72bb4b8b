#include "onboarding/SandboxViewModel.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "onboarding/OnboardingCatalog.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;

// 2026-12-10 14:05:09 UTC.
constexpr double kAfternoon = 1796911509;

class SandboxViewModelTest : public ::testing::Test {
protected:
    SandboxViewModelTest()
    {
        clock.set(kAfternoon);
        sandbox.setOnChange([this] { ++changes; });
    }

    // Types `text` into the editor one character at a time, as a person does.
    void type(const std::string& text)
    {
        for (char c : text) {
            sandbox.editText(sandbox.text() + c);
        }
    }

    SimClock clock;
    SimMainLoop loop{clock};
    SandboxViewModel sandbox{loop, clock, Calendar::withTimeZone("UTC")};
    int changes = 0;
};

TEST_F(SandboxViewModelTest, EveryCommandOfTheTableOpensItsPopupWithSpaceOrLineBreakAndIsCutWhole)
{
    for (const auto& row : OnboardingCatalog::sandboxTriggers()) {
        for (const char* terminator : {" ", "\n"}) {
            SCOPED_TRACE(row.command + (terminator[0] == ' ' ? " + space" : " + line break"));
            SimClock localClock;
            SimMainLoop localLoop{localClock};
            SandboxViewModel practice{localLoop, localClock};
            practice.editText("ship it //" + row.command + terminator);
            ASSERT_TRUE(practice.isCaptureActive());
            EXPECT_EQ(practice.captureCommand(), row.command);
            EXPECT_EQ(practice.captureDestination(), row.destination);
            EXPECT_EQ(practice.text(), "ship it ") << "only the trigger is cut";
            EXPECT_EQ(practice.captureText(), "");
        }
    }
}

TEST_F(SandboxViewModelTest, OnlyTheExactWordAtTheVeryEndIsATrigger)
{
    struct Case {
        std::string text;
        bool opens;
        std::string left;
    };
    const std::vector<Case> cases{
        {"//Note ", false, ""},
        {"//notes ", false, ""},
        {"//note  ", false, ""},
        {"// note ", false, ""},
        {"//nope ", false, ""},
        {"//note", false, ""},
        {"x//note ", true, "x"},
        {"///note ", true, "/"},
        {"//note\r\n", false, ""},
        {"//note\u0301 ", false, ""},
        {"caf\u00e9//timer ", true, "caf\u00e9"},
        {"\U0001F44D\U0001F3FD//calc ", true, "\U0001F44D\U0001F3FD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SimClock localClock;
        SimMainLoop localLoop{localClock};
        SandboxViewModel practice{localLoop, localClock};
        practice.editText(c.text);
        EXPECT_EQ(practice.isCaptureActive(), c.opens);
        EXPECT_EQ(practice.text(), c.opens ? c.left : c.text);
    }
}

TEST_F(SandboxViewModelTest, ReturnAfterTheBareWordOpensAsSpaceDoes)
{
    type("buy //reminders");
    EXPECT_FALSE(sandbox.isCaptureActive());
    sandbox.commitEditor();
    ASSERT_TRUE(sandbox.isCaptureActive());
    EXPECT_EQ(sandbox.captureCommand(), "reminders");
    EXPECT_EQ(sandbox.text(), "buy ");

    sandbox.cancelCapture();
    sandbox.editText("//Note");
    sandbox.commitEditor();
    EXPECT_FALSE(sandbox.isCaptureActive()) << "the word must be exact here too";
}

TEST_F(SandboxViewModelTest, TheCutTriggerNeverReopensThePopupByItself)
{
    type("//note //note ");
    ASSERT_TRUE(sandbox.isCaptureActive());
    EXPECT_EQ(sandbox.text(), "//note ") << "the first trigger stays, the second was cut";
    // A view echoing the text back while the popup is open changes nothing.
    sandbox.editText("//note ");
    sandbox.commitEditor();
    EXPECT_EQ(sandbox.text(), "//note ");

    sandbox.cancelCapture();
    EXPECT_FALSE(sandbox.isCaptureActive());
    EXPECT_EQ(sandbox.text(), "//note ") << "cancelling puts nothing back and re-reads nothing";
    sandbox.commitEditor();
    ASSERT_TRUE(sandbox.isCaptureActive()) << "Return reads the text again";
    EXPECT_EQ(sandbox.text(), "");
}

TEST_F(SandboxViewModelTest, SubmittingRoutesTheTrimmedLineCountsItAndConfirmsItForTwoAndAHalfSeconds)
{
    type("//calc ");
    EXPECT_FALSE(sandbox.isCaptureFocused()) << "focus comes once the popup is on screen";
    loop.runUntilIdle();
    EXPECT_TRUE(sandbox.isCaptureFocused());
    EXPECT_EQ(sandbox.capturePlaceholder(), "15% of 847");
    sandbox.editCaptureText("  15% of 200 \n");
    sandbox.submitCapture();
    sandbox.submitCapture();

    EXPECT_THAT(sandbox.logs(), ElementsAre("[14:05:09] Routed to Calculator: \"15% of 200\""));
    EXPECT_EQ(sandbox.testCount(), 1) << "a second Return routes nothing";
    EXPECT_FALSE(sandbox.isCaptureActive());
    EXPECT_FALSE(sandbox.isCaptureFocused());
    EXPECT_EQ(sandbox.captureCommand(), "");
    EXPECT_EQ(sandbox.captureText(), "");
    EXPECT_TRUE(sandbox.showsHud());
    EXPECT_EQ(sandbox.hudMessage(), "Simulated Capture: Calculator!");

    // A second capture a second later: the first one's hide still comes first.
    loop.advance(1.0);
    sandbox.tapChip("slack", "#general Ship it");
    sandbox.submitCapture();
    EXPECT_EQ(sandbox.hudMessage(), "Simulated Capture: Slack!");
    EXPECT_EQ(sandbox.logs().front(), "[14:05:10] Routed to Slack: \"#general Ship it\"") << "newest first";
    EXPECT_EQ(sandbox.testCount(), 2);
    loop.advance(1.49);
    EXPECT_TRUE(sandbox.showsHud());
    loop.advance(0.02);
    EXPECT_FALSE(sandbox.showsHud());
}

TEST_F(SandboxViewModelTest, ABlankLineRoutesNothingAndKeepsThePopupOpen)
{
    sandbox.tapChip("note", "");
    loop.runUntilIdle();
    for (const char* blank : {"", "   ", " \n\t "}) {
        sandbox.editCaptureText(blank);
        sandbox.submitCapture();
        EXPECT_TRUE(sandbox.isCaptureActive());
        EXPECT_TRUE(sandbox.isCaptureFocused());
        EXPECT_EQ(sandbox.captureText(), blank);
    }
    EXPECT_TRUE(sandbox.logs().empty());
    EXPECT_EQ(sandbox.testCount(), 0);
    sandbox.editCaptureText("now");
    sandbox.submitCapture();
    EXPECT_EQ(sandbox.testCount(), 1) << "the gate stayed open";
}

TEST_F(SandboxViewModelTest, CancellingRoutesNothingAndTheNextPopupSubmits)
{
    type("draft //timer ");
    sandbox.editCaptureText("25m focus");
    sandbox.cancelCapture();
    EXPECT_FALSE(sandbox.isCaptureActive());
    EXPECT_EQ(sandbox.captureText(), "");
    EXPECT_EQ(sandbox.text(), "draft ");
    EXPECT_TRUE(sandbox.logs().empty());

    type("//alarm ");
    sandbox.editCaptureText("7:30am");
    sandbox.submitCapture();
    EXPECT_THAT(sandbox.logs(), ElementsAre("[14:05:09] Routed to Alarm: \"7:30am\""));
}

TEST_F(SandboxViewModelTest, AChipClearsTheEditorAndOpensWithItsExampleUnlessAPopupIsOpen)
{
    type("half a thought");
    sandbox.tapChip("calc", "15% of 200");
    ASSERT_TRUE(sandbox.isCaptureActive());
    EXPECT_EQ(sandbox.text(), "");
    EXPECT_EQ(sandbox.captureText(), "15% of 200");
    EXPECT_EQ(sandbox.captureDestination(), "Calculator");

    sandbox.tapChip("note", "Quick thought");
    EXPECT_EQ(sandbox.captureCommand(), "calc");
    EXPECT_EQ(sandbox.captureText(), "15% of 200");
}

TEST_F(SandboxViewModelTest, FeedLinesAndDestinations)
{
    const auto utc = *Calendar::withTimeZone("UTC");
    const auto name = &SandboxViewModel::destinationName;
    EXPECT_EQ(SandboxViewModel::makeFeedEntry("calc", "15% of 200", kAfternoon, name, utc),
              "[14:05:09] Routed to Calculator: \"15% of 200\"");
    EXPECT_EQ(SandboxViewModel::makeFeedEntry("note", "x", kAfternoon - 14 * 3600, name, utc),
              "[00:05:09] Routed to Quick Capture: \"x\"")
        << "a 24-hour clock";
    EXPECT_EQ(SandboxViewModel::makeFeedEntry("", "x", kAfternoon, name, utc), std::nullopt);
    EXPECT_EQ(SandboxViewModel::makeFeedEntry("note", " \n ", kAfternoon, name, utc), std::nullopt);
    EXPECT_EQ(SandboxViewModel::makeFeedEntry(
                  "note", "x", kAfternoon, [](const std::string&) { return std::string(); }, utc),
              std::nullopt);
    const auto berlin = *Calendar::withTimeZone("Europe/Berlin");
    EXPECT_EQ(SandboxViewModel::makeFeedEntry("copy", "ls", kAfternoon, name, berlin),
              "[15:05:09] Routed to System Clipboard: \"ls\"");

    EXPECT_EQ(SandboxViewModel::destinationName("obsidian"), "Obsidian Daily Journal");
    EXPECT_EQ(SandboxViewModel::destinationName("Note"), "Note") << "an unknown word stands for itself";
}

}  // namespace
}  // namespace qm::test
