#include "app/FocusObserver.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Log.h"
#include "capture/CaptureRouterController.h"
#include "capture/EventTapManager.h"
#include "platform/runtime/SerialQueue.h"
#include "suggestions/FieldMemoryEngine.h"
#include "support/StandInApp.h"

namespace qm::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr const char* kEditor = "com.example.editor";

// A field of `width` points: the capture router tells fields apart by width.
SimTextFieldSpec field(const std::string& placeholder, double width, const std::string& value = "",
                       const std::string& subrole = "")
{
    SimTextFieldSpec spec;
    spec.placeholder = placeholder;
    spec.value = value;
    spec.subrole = subrole;
    spec.frame = Rect(100, 100, width, 22);
    return spec;
}

// The composed app's focus observer on the stand-in desktop: an editor with
// two e-mail fields the capture router tells apart (their widths differ), and
// a display that writes down what it was asked to do.
class FocusObserverTest : public ::testing::Test {
protected:
    FocusObserverTest()
    {
        rig.compose(rig.bundle(), StandInApp::quietOptions());
        observer().setSuggestionDisplay(FocusObserver::SuggestionDisplay{
            .updateSuggestionsNearCaret =
                [this](const std::optional<std::string>& buffer, bool manual) {
                    display.push_back(buffer || manual ? "update with arguments" : "update");
                },
            .hideOverlayPanelImmediately = [this] { display.push_back("hide"); },
        });
        to = window.addTextField(field("Email", 400, "jonas@example.com"));
        cc = window.addTextField(field("Email", 300, "ada@example.com"));
        editor.activate();
        to.focus();
        loop().runUntilIdle();
        observer().workspaceAppActivated(editor.runningApplication());
        settle();
        // The editor's field in use is known, as after a first click into it.
        observer().focusedElementChanged();
        display.clear();
    }

    ~FocusObserverTest() override
    {
        rig.app->eventTapManager().stop();
        loop().runUntilIdle();
    }

    FocusObserver& observer() { return rig.app->focusObserver(); }
    SimMainLoop& loop() { return rig.platform.loop; }
    EventTapManager& tap() { return rig.app->eventTapManager(); }

    // Lets time pass (more than the typing window), then runs what is due.
    void settle() { loop().advance(1.0); }

    // The last key was pressed `seconds` ago.
    void lastKeyAgo(double seconds) { tap().setLastKeyPressTime(rig.platform.clock.now() - seconds); }

    // Every e-mail address field memory holds for the editor.
    std::vector<std::string> learned()
    {
        return rig.app->fieldMemory().getSuggestions(FieldContext::email, kEditor, std::nullopt, "");
    }

    std::string slidingBuffer()
    {
        tap().processingQueue().sync([] {});
        return tap().slidingBuffer();
    }

    bool tapRunning()
    {
        tap().start();
        return rig.waitForTap();
    }

    StandInApp rig;
    SimApplication editor = rig.platform.desktop.addApplication(kEditor, "Editor");
    SimElement window = editor.addWindow("Compose");
    SimTextField to;
    SimTextField cc;
    std::vector<std::string> display;
};

TEST_F(FocusObserverTest, TypingIsAChangeWithinAQuarterSecondOfTheLastKey)
{
    struct Case {
        const char* name;
        bool otherField;
        double sinceLastKey;
        bool learnsAndHides;
    };
    const Case cases[] = {
        {"click into another field", true, 1.0, true},
        {"tab into another field", true, 0.1, false},
        {"arrow key in the same field", false, 0.1, false},
        {"click in the same field", false, 1.0, true},
        {"just at the window's end", true, FocusObserver::typingWindow, true},
        {"a key time in the future", true, -5.0, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case starts in `to`, whose value is the case's own.
        const std::string value = "case" + std::to_string(++index) + "@example.com";
        lastKeyAgo(10);
        to.setValue(value);
        to.focus();
        loop().runUntilIdle();
        // What leaving the previous case's field cleared is cleared before the case types.
        tap().processingQueue().sync([] {});
        tap().setSlidingBuffer("typed words");
        display.clear();

        lastKeyAgo(c.sinceLastKey);
        if (c.otherField) {
            cc.focus();
        } else {
            to.select({0, 3});
        }
        loop().runUntilIdle();

        const std::vector<std::string> values = learned();
        const bool learnedTo = std::ranges::find(values, value) != values.end();
        if (c.learnsAndHides) {
            EXPECT_THAT(display, ElementsAre("hide"));
            EXPECT_EQ(slidingBuffer(), "");
            EXPECT_EQ(learnedTo, c.otherField);
        } else {
            EXPECT_THAT(display, ElementsAre("update"));
            EXPECT_EQ(slidingBuffer(), "typed words");
            EXPECT_FALSE(learnedTo);
        }
        ASSERT_TRUE(observer().lastFocusedElement());
        EXPECT_EQ(*observer().lastFocusedElement(), (c.otherField ? cc : to).axElement());
    }
}

TEST_F(FocusObserverTest, PointingAwayLogsTheTimeSinceTheLastKey)
{
    const Log::Capture log;
    lastKeyAgo(2.5);
    cc.focus();
    loop().runUntilIdle();
    EXPECT_TRUE(log.contains("🔍 PredictiveOverlay: Caret/Focus changed without typing (Time since last key: "
                             "2.500s). Hiding suggestions."));
}

// Focus and caret changes come many times a second while nobody types: the
// log tells of the state once, and before the first key it names no time.
TEST_F(FocusObserverTest, AChangeWithoutTypingIsLoggedOncePerLastKeyAndNamesNoTimeBeforeTheFirst)
{
    const Log::Capture log;
    tap().setLastKeyPressTime(EventTapManager::distantPast);
    for (int tick = 0; tick < 3; ++tick) {
        (tick % 2 ? to : cc).focus();
        loop().runUntilIdle();
        observer().focusedElementChanged();
    }
    EXPECT_EQ(log.count("Time since last key"), 0u) << "no time is measured from a zero date";
    // Told already when the fixture first looked at the field.
    EXPECT_EQ(log.count("Caret/Focus changed"), 0u);

    lastKeyAgo(2.5);
    for (int tick = 0; tick < 3; ++tick) {
        (tick % 2 ? to : cc).focus();
        loop().runUntilIdle();
    }
    EXPECT_EQ(log.count("Caret/Focus changed without typing (Time since last key: 2.500s)"), 1u);
    EXPECT_EQ(log.count("Caret/Focus changed"), 1u);
    EXPECT_GE(std::count(display.begin(), display.end(), "hide"), 6) << "every change still hides";
}

TEST_F(FocusObserverTest, AMenuOpenedWhileTypingOnlyRefreshesSuggestions)
{
    lastKeyAgo(0.05);
    editor.openMenu({"Reply", "Forward"}, Rect(120, 130, 160, 44));
    loop().runUntilIdle();
    EXPECT_THAT(display, ElementsAre("update"));
    EXPECT_EQ(*observer().lastFocusedElement(), to.axElement());

    // Back in the same field from the menu: nothing was left, nothing is learned.
    lastKeyAgo(1.0);
    editor.closeMenu();
    loop().runUntilIdle();
    EXPECT_THAT(display, ElementsAre("update", "hide"));
    EXPECT_THAT(learned(), IsEmpty());
}

TEST_F(FocusObserverTest, AFailedFocusReadLearnsTheLastFieldOnceAndForgetsIt)
{
    editor.setTreeAvailability(SimTreeAvailability::never);
    observer().focusedElementChanged();
    EXPECT_FALSE(observer().lastFocusedElement());
    EXPECT_THAT(display, ElementsAre("hide"));

    to.setValue("later@example.com");
    observer().focusedElementChanged();
    EXPECT_THAT(learned(), ElementsAre("jonas@example.com"));
}

TEST_F(FocusObserverTest, OnlyClassifiedFieldsWithAValueAreLearned)
{
    const SimTextField password = window.addTextField(field("", 200, "hunter2hunter2", "AXSecureTextField"));
    const SimTextField plain = window.addTextField(field("", 90, "a note"));
    const SimTextField empty = window.addTextField(field("Email", 80));
    for (const SimTextField& unlearned : {password, plain, empty}) {
        observer().learnFieldValueFromElement(unlearned.axElement());
    }
    EXPECT_THAT(learned(), IsEmpty());
    EXPECT_THAT(rig.app->fieldMemory().getSuggestions(FieldContext::unknown, kEditor, std::nullopt, ""),
                IsEmpty());
}

TEST_F(FocusObserverTest, ATriggerTypedInAFieldContinuesWhenTheFieldIsClickedAgain)
{
    const SimTextField subject = window.addTextField(field("", 500));
    const SimTextField body = window.addTextField(field("", 600));
    ASSERT_TRUE(tapRunning());
    CaptureRouterController& router = rig.app->captureRouter();

    subject.focus();
    settle();
    rig.platform.desktop.keyboard().type("//no");
    settle();
    body.focus();
    settle();
    // In the other field the same letters start nothing.
    rig.platform.desktop.keyboard().type("te ");
    settle();
    EXPECT_FALSE(router.isCaptureModeActive());
    EXPECT_FALSE(router.isCaptureTransitionThreadSafe());

    subject.focus();
    settle();
    rig.platform.desktop.keyboard().type("te ");
    EXPECT_TRUE(loop().runUntil([&] { return router.isCaptureModeActive(); }));
}

TEST_F(FocusObserverTest, SwitchingApplicationsLearnsTheFieldUnderItsOwnApplication)
{
    const SimApplication notes = rig.platform.desktop.addApplication("com.example.notes", "Notes");
    notes.activate();
    observer().workspaceAppActivated(notes.runningApplication());
    settle();

    EXPECT_THAT(learned(), ElementsAre("jonas@example.com"));
    EXPECT_THAT(
        rig.app->fieldMemory().getSuggestions(FieldContext::email, "com.example.notes", std::nullopt, ""),
        IsEmpty());
    EXPECT_FALSE(observer().lastFocusedElement());
    EXPECT_EQ(observer().activeRunningApp(), notes.runningApplication());
    EXPECT_EQ(observer().currentObservedPid(), notes.pid());
    // Its tree was asked for.
    EXPECT_TRUE(notes.enhancedUserInterface());

    // The editor is no longer heard.
    cc.focus();
    loop().runUntilIdle();
    EXPECT_THAT(display, IsEmpty());
}

TEST_F(FocusObserverTest, ActivatingThisProgramLeavesNoObserver)
{
    const SimApplication self = rig.platform.desktop.ownApplication();
    self.activate();
    observer().workspaceAppActivated(self.runningApplication());
    EXPECT_EQ(observer().currentObservedPid(), std::nullopt);
    cc.focus();
    loop().runUntilIdle();
    EXPECT_THAT(display, IsEmpty());
}

TEST_F(FocusObserverTest, TheStopSequenceEndsObservationAndLearnsTheFieldInUse)
{
    observer().applicationWillTerminate();
    EXPECT_EQ(observer().currentObservedPid(), std::nullopt);
    EXPECT_THAT(learned(), ElementsAre("jonas@example.com"));
    cc.focus();
    loop().runUntilIdle();
    EXPECT_THAT(display, IsEmpty());
}

}  // namespace
}  // namespace qm::test
