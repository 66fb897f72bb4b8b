#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "capture/CaptureNotifications.h"
#include "capture/CaptureRouterRig.h"
#include "platform/sim/accessibility/SimTextField.h"
#include "support/TempDir.h"
#include "targets/TargetsDefaultsKeys.h"

namespace qm::test {
namespace {

struct DesktopCase {
    const char* name;
    const char* typed;
    const char* terminator;  // a key chord: "space" or "return"
    SimTextKind kind;
    const char* target;     // "" when no capture may start
    const char* hostValue;  // the field afterwards
};

void PrintTo(const DesktopCase& c, std::ostream* os)
{
    *os << c.name;
}

class CaptureRouterDesktopTest : public CaptureRouterRig,
                                 public ::testing::WithParamInterface<DesktopCase> {};

TEST_P(CaptureRouterDesktopTest, TypedTriggerOpensCaptureOrReachesTheHost)
{
    const auto& c = GetParam();
    SimTextField field = addField({}, 400, c.kind);
    field.focus();
    desktop.keyboard().type(c.typed);
    desktop.keyboard().press(c.terminator);

    if (std::string(c.target).empty()) {
        loop.runUntilIdle();
        EXPECT_TRUE(enteredTargets().empty());
        EXPECT_FALSE(router->isCapturePipelineBusyThreadSafe());
        EXPECT_TRUE(notifications(CaptureNotifications::hideSuggestionsOverlay).empty());
    } else {
        ASSERT_TRUE(waitForCaptureMode());
        EXPECT_EQ(enteredTargets(), std::vector<std::string>{c.target});
        EXPECT_FALSE(router->isCaptureTransitionThreadSafe());
        EXPECT_EQ(notifications(CaptureNotifications::hideSuggestionsOverlay).size(), 1u);
    }
    EXPECT_EQ(field.value(), c.hostValue);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureRouterDesktopTest,
    ::testing::Values(
        DesktopCase{"AtTheStartOfAField", "//note", "space", SimTextKind::singleLine, "note", ""},
        DesktopCase{"AfterALetter", "a//note", "space", SimTextKind::singleLine, "note", "a"},
        DesktopCase{"AfterWords", "call mum //timer", "space", SimTextKind::singleLine, "timer", "call mum "},
        DesktopCase{"AfterAColonIsRefused", "see https://note", "space", SimTextKind::singleLine, "",
                    "see https://note "},
        DesktopCase{"AfterAThirdSlashIsRefused", "x///note", "space", SimTextKind::singleLine, "",
                    "x///note "},
        DesktopCase{"MixedCaseEndedByReturn", "//NoTe", "return", SimTextKind::multiLine, "note", ""},
        DesktopCase{"ReturnIsSwallowedInAMultiLineField", "first\n//copy", "return", SimTextKind::multiLine,
                    "copy", "first\n"},
        DesktopCase{"ALongerWordIsText", "//notes", "space", SimTextKind::singleLine, "", "//notes "},
        DesktopCase{"PickerTarget", "ping //slack", "space", SimTextKind::singleLine, "slack", "ping "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureRouterRig, CommandOrControlKeysForgetTheTypedStart)
{
    SimTextField field = addField();
    field.focus();
    for (const char* chord : {"cmd+c", "ctrl+k"}) {
        desktop.keyboard().type("//no");
        desktop.keyboard().press(chord);
        desktop.keyboard().type("te ");
        loop.runUntilIdle();
        EXPECT_TRUE(enteredTargets().empty()) << chord;
    }
    // Without the interruption the same keys trigger.
    desktop.keyboard().type("//note ");
    EXPECT_TRUE(waitForCaptureMode());
}

TEST_F(CaptureRouterRig, DeleteEditsTheBufferAsItEditsTheField)
{
    SimTextField field = addField();
    field.focus();
    desktop.keyboard().type("//nox");
    desktop.keyboard().press("delete");
    desktop.keyboard().type("te");
    desktop.keyboard().press("space");
    ASSERT_TRUE(waitForCaptureMode());
    EXPECT_EQ(field.value(), "");
}

TEST_F(CaptureRouterRig, MissingObsidianVaultStopsTheTriggerWithTheFix)
{
    SimTextField field = addField();
    field.focus();
    desktop.keyboard().type("//obsidian ");
    loop.runUntilIdle();

    EXPECT_TRUE(enteredTargets().empty());
    EXPECT_EQ(field.value(), "//obsidian ");  // the trigger and its Space stay in the host
    EXPECT_EQ(notifications(CaptureNotifications::hideSuggestionsOverlay).size(), 1u);
    const auto failures = notifications(CaptureNotifications::presentCaptureFailure);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].userInfo.get<std::string>("detail"),
              "No Obsidian vault folder is set. Choose the folder in Settings, then type //obsidian again.");
    EXPECT_EQ(failures[0].userInfo.get<bool>("saved"), false);
    EXPECT_EQ(failures[0].userInfo.get<std::string>("section"), "Capture Targets");
    EXPECT_EQ(failures[0].userInfo.get<std::string>("field"), "obsidianVault");

    // The buffer starts empty: finishing another word does not reuse the old text.
    desktop.keyboard().type("again ");
    loop.runUntilIdle();
    EXPECT_TRUE(enteredTargets().empty());

    // A refused boundary is no trigger, so the folder is not even looked at.
    desktop.keyboard().type("x://obsidian ");
    loop.runUntilIdle();
    EXPECT_EQ(notifications(CaptureNotifications::presentCaptureFailure).size(), 1u);
}

TEST_F(CaptureRouterRig, LogseqGraphThatIsAFileIsRefusedAndAFolderIsAccepted)
{
    TempDir dir;
    const auto file = dir / "graph.md";
    std::ofstream(file) << "x";
    defaults.set(TargetsDefaultsKeys::logseqGraphPath, file.string());
    SimTextField field = addField();
    field.focus();
    desktop.keyboard().type("//logseq ");
    loop.runUntilIdle();
    const auto failures = notifications(CaptureNotifications::presentCaptureFailure);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].userInfo.get<std::string>("detail").value_or("").rfind(
                  "Logseq graph path does not exist or is not a folder: " + file.string(), 0),
              0u);
    EXPECT_EQ(failures[0].userInfo.get<std::string>("field"), "logseqGraph");

    defaults.set(TargetsDefaultsKeys::logseqGraphPath, "  " + dir.path().string() + "  ");
    field.setValue("");
    desktop.keyboard().type("//logseq ");
    ASSERT_TRUE(waitForCaptureMode());
    EXPECT_EQ(enteredTargets(), std::vector<std::string>{"logseq"});
    EXPECT_EQ(field.value(), "");
}

// A removal that never reports back keeps the keyboard for 7 seconds, then gives it back.
TEST_F(CaptureRouterRig, FailsafeReleasesTheKeyboardSevenSecondsAfterTheTrigger)
{
    for (const char* attribute : {"AXSelectedTextRange", "AXSelectedText", "AXValue"}) {
        accessibility->refuseWrites(attribute);
    }
    SimTextField field = addField();
    field.focus();
    poster.close();
    desktop.keyboard().type("//note ");
    ASSERT_TRUE(router->isCaptureTransitionThreadSafe());
    for (int i = 0; i < 2000 && !poster.hasWaiter(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(poster.hasWaiter());

    // Swallowed at every check before 7 s; the router itself is not offered keys.
    for (double step : {1.0, 1.5, 1.0, 1.0, 1.0, 1.0, 0.49}) {
        loop.advance(step);
        desktop.keyboard().type("x");
        EXPECT_EQ(field.value(), "//note") << "at " << clock.now() - SimClock::kDefaultStart;
        EXPECT_TRUE(router->isCaptureTransitionThreadSafe());
    }
    KeyEvent slash = KeyboardDriver::eventsForText("/").front();
    EXPECT_FALSE(router->handleKeyEvent(slash));

    loop.advance(0.01);
    EXPECT_FALSE(router->isCaptureTransitionThreadSafe());
    desktop.keyboard().type("y");
    EXPECT_EQ(field.value(), "//notey");
    EXPECT_TRUE(enteredTargets().empty());  // the failsafe opens nothing

    poster.open();
    EXPECT_TRUE(waitForCaptureMode());
}

TEST_F(CaptureRouterRig, ClearingThePassiveBufferEndsATransition)
{
    for (const char* attribute : {"AXSelectedTextRange", "AXSelectedText", "AXValue"}) {
        accessibility->refuseWrites(attribute);
    }
    SimTextField field = addField();
    field.focus();
    poster.close();
    desktop.keyboard().type("//copy ");
    ASSERT_TRUE(router->isCaptureTransitionThreadSafe());

    router->clearPassiveBuffer();
    EXPECT_FALSE(router->isCaptureTransitionThreadSafe());
    EXPECT_FALSE(router->isCaptureModeActiveThreadSafe());
    desktop.keyboard().type("k");
    EXPECT_EQ(field.value(), "//copyk");

    poster.open();
    EXPECT_TRUE(waitForCaptureMode());
    // The failsafe of a transition marked completed stays quiet.
    loop.advance(10);
    EXPECT_FALSE(router->isCaptureTransitionThreadSafe());
}

TEST_F(CaptureRouterRig, CancelCaptureResetsEverythingAndLogs)
{
    SimTextField field = addField();
    field.focus();
    desktop.keyboard().type("//no");
    Log::Capture log;
    router->cancelCapture();
    EXPECT_TRUE(log.contains("⎋ CaptureRouterController: Canceled capture mode"));
    desktop.keyboard().type("te ");
    loop.runUntilIdle();
    EXPECT_TRUE(enteredTargets().empty());
    EXPECT_FALSE(router->isCapturePipelineBusyThreadSafe());
}

TEST_F(CaptureRouterRig, OnlyKeyDownsAreExamined)
{
    KeyEvent up = KeyboardDriver::eventsForText("/").back();
    ASSERT_EQ(up.type(), KeyEventType::keyUp);
    EXPECT_FALSE(router->handleKeyEvent(up));

    KeyEvent space;
    space.setType(KeyEventType::keyDown);
    space.setKeyCode(KeyCode::space);
    space.setUnicodeString(u" ");
    for (const char* text : {"/", "/", "n", "o", "t", "e"}) {
        router->handleKeyEvent(KeyboardDriver::eventsForText(text).front());
    }
    KeyEvent spaceUp = space;
    spaceUp.setType(KeyEventType::keyUp);
    EXPECT_FALSE(router->handleKeyEvent(spaceUp));
    EXPECT_TRUE(router->handleKeyEvent(space));
    EXPECT_TRUE(router->isCaptureTransitionThreadSafe());
    EXPECT_TRUE(waitForCaptureMode());
}

// The key that completes a trigger is answered before any other thread is
// woken: the transition is on at once (the next keys are swallowed), but the
// removal, its failsafe and the notice wait for the block handed over.
TEST_F(CaptureRouterRig, CompletedTriggerWakesNothingBeforeItsKeyIsAnswered)
{
    SimTextField field = addField("//note");
    field.focus();
    loop.runUntilIdle();
    std::vector<std::function<void()>> afterKey;
    const CaptureRouterController::AfterKey keep = [&afterKey](std::function<void()> block) {
        afterKey.push_back(std::move(block));
    };
    for (const char* text : {"/", "/", "n", "o", "t", "e"}) {
        EXPECT_FALSE(router->handleKeyEvent(KeyboardDriver::eventsForText(text).front(), keep));
    }
    EXPECT_TRUE(afterKey.empty());
    EXPECT_TRUE(router->handleKeyEvent(KeyboardDriver::eventsForText(" ").front(), keep));
    EXPECT_TRUE(router->isCaptureTransitionThreadSafe());

    // Nothing moves until the blocks run.
    EXPECT_FALSE(loop.runUntil([&] { return field.value() != "//note"; }, 0.2));
    EXPECT_TRUE(notifications(CaptureNotifications::hideSuggestionsOverlay).empty());
    EXPECT_TRUE(enteredTargets().empty());

    // One block for the hide, the removal and the failsafe.
    ASSERT_EQ(afterKey.size(), 1u);
    afterKey.front()();
    ASSERT_TRUE(waitForCaptureMode());
    EXPECT_EQ(enteredTargets(), std::vector<std::string>{"note"});
    EXPECT_EQ(field.value(), "");
    EXPECT_EQ(notifications(CaptureNotifications::hideSuggestionsOverlay).size(), 1u);
}

}  // namespace
}  // namespace qm::test
