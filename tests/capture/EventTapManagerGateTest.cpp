#include <functional>

#include <gtest/gtest.h>

#include "EventTapRig.h"
#include "capture/CaptureNotifications.h"
#include "shell/ShellNotifications.h"
#include "store/DatabaseManager.h"
#include "store/PrivacyFirewall.h"

namespace qm::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// --- Where the tap must not look: every key passes untouched ---

struct GateCase {
    const char* name;
    std::function<void(EventTapRig&)> open;
    std::function<void(EventTapRig&)> close;
    // Secure input and excluded applications forget what was typed before,
    // the passive trigger buffer included; the program's own windows do not.
    bool forgetsTyping;
};

void PrintTo(const GateCase& c, std::ostream* out)
{
    *out << c.name;
}

class GateTest : public EventTapRig, public ::testing::WithParamInterface<GateCase> {};

TEST_P(GateTest, EveryKeyPassesUntouched)
{
    const GateCase& c = GetParam();
    startTap();
    type("alpha //no");
    settle();
    ASSERT_EQ(manager->recentWords(), std::vector<std::string>{"alpha"});

    c.open(*this);
    manager->setSuggestionsOverlayVisible(true);
    manager->setLastActionWasSuggestionWithTrailingSpace(true);
    clearRecords();
    press("tab");
    press("ctrl+space");
    press("ctrl+1");
    press("ctrl+0");
    type(" ");
    settle();

    EXPECT_EQ(deliveredKeyDowns().size(), 5u) << "every key reaches the application";
    EXPECT_THAT(postedNames(), IsEmpty());
    EXPECT_THAT(delegate.calls, Not(Contains("cycle")));
    EXPECT_THAT(delegate.calls, Not(Contains("select 0")));
    EXPECT_TRUE(manager->lastActionWasSuggestionWithTrailingSpace());
    EXPECT_FALSE(manager->mutedApplications().contains(editorId));
    if (c.forgetsTyping) {
        EXPECT_THAT(delegate.calls, Contains("clear"));
        EXPECT_THAT(manager->recentWords(), IsEmpty());
        EXPECT_EQ(manager->currentWordPrefix(), "");
        EXPECT_EQ(manager->slidingBuffer(), "");
    } else {
        EXPECT_THAT(delegate.calls, IsEmpty());
        EXPECT_EQ(manager->recentWords(), std::vector<std::string>{"alpha"});
    }

    // Back in the editor, "te " completes "//note" only if the passive buffer survived.
    c.close(*this);
    manager->setSuggestionsOverlayVisible(false);
    manager->setLastActionWasSuggestionWithTrailingSpace(false);
    clearRecords();
    type("te ");
    settle();
    if (c.forgetsTyping) {
        EXPECT_THAT(deliveredKeyDowns(), ElementsAre("t", "e", " "));
        EXPECT_THAT(postedNames(), Not(Contains(CaptureNotifications::hideSuggestionsOverlay)));
    } else {
        EXPECT_THAT(deliveredKeyDowns(), ElementsAre("t", "e")) << "the trigger's Space is swallowed";
        EXPECT_THAT(postedNames(), Contains(CaptureNotifications::hideSuggestionsOverlay));
    }
}

INSTANTIATE_TEST_SUITE_P(
    KeyDispatch, GateTest,
    ::testing::Values(GateCase{"OwnEditableWindowKey", [](EventTapRig& rig) { rig.ownWindowKey = true; },
                               [](EventTapRig& rig) { rig.ownWindowKey = false; }, false},
                      GateCase{"SecureInput",
                               [](EventTapRig& rig) { rig.desktop.secureInput().setRequested(true); },
                               [](EventTapRig& rig) { rig.desktop.secureInput().setRequested(false); }, true},
                      GateCase{"ExcludedApplication",
                               [](EventTapRig& rig) {
                                   rig.excluded.activate();
                                   rig.loop.runUntilIdle();
                               },
                               [](EventTapRig& rig) {
                                   rig.editor.activate();
                                   rig.loop.runUntilIdle();
                               },
                               true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The application in front, as every key finds it ---

// A key typed right after an excluded application came in front is judged by
// that application, before the main thread has heard of the activation.
TEST_F(EventTapRig, KeyRightAfterAnExcludedApplicationCameInFrontPasses)
{
    startTap();
    type("alpha ");
    settle();
    ASSERT_EQ(manager->recentWords(), std::vector<std::string>{"alpha"});
    manager->setSuggestionsOverlayVisible(true);
    clearRecords();

    excluded.activate();
    press("tab");
    type("pin //note ");
    settle();

    EXPECT_EQ(deliveredKeyDowns().size(), 12u) << "every key reaches the excluded application";
    EXPECT_THAT(delegate.calls, Not(Contains("cycle")));
    EXPECT_THAT(delegate.calls, Not(Contains("update")));
    EXPECT_THAT(delegate.calls, Contains("clear"));
    EXPECT_FALSE(router->isCapturePipelineBusyThreadSafe());
    EXPECT_THAT(manager->recentWords(), IsEmpty());
    EXPECT_EQ(manager->slidingBuffer(), "");
}

// The application in front is excluded while it stays in front: once the
// firewall has reloaded its list, its keys pass untouched like any excluded
// application's.
TEST_F(EventTapRig, ApplicationExcludedWhileInFrontIsNoLongerLookedAt)
{
    startTap();
    type("alpha ");
    settle();
    PrivacyFirewall& firewall = stage.app->privacyFirewall();
    ASSERT_TRUE(stage.app->database().addExclusion(editorId, "app", "test"));
    clock.advance(PrivacyFirewall::cacheTTL + 1);
    ASSERT_TRUE(waitFor([&] { return firewall.isAppExcluded(editorId); }));
    manager->setSuggestionsOverlayVisible(true);
    clearRecords();

    press("tab");
    type("//note ");
    settle();

    EXPECT_EQ(deliveredKeyDowns().size(), 8u) << "every key reaches the editor";
    EXPECT_THAT(delegate.calls, Not(Contains("cycle")));
    EXPECT_THAT(delegate.calls, Contains("clear"));
    EXPECT_FALSE(router->isCapturePipelineBusyThreadSafe());
    EXPECT_THAT(manager->recentWords(), IsEmpty());

    // Taken off the list again, it is looked at again.
    ASSERT_TRUE(stage.app->database().deleteExclusion(editorId));
    clock.advance(PrivacyFirewall::cacheTTL + 1);
    ASSERT_TRUE(waitFor([&] { return !firewall.isAppExcluded(editorId); }));
    clearRecords();
    press("tab");
    settle();
    EXPECT_THAT(deliveredKeyDowns(), IsEmpty());
    EXPECT_THAT(delegate.calls, Contains("cycle"));
}

// --- The capture router comes first ---

TEST_F(EventTapRig, CompletedTriggerIsSwallowedAndKeysWaitForTheCapture)
{
    startTap();
    type("//note ");
    // The transition runs until the main loop hands over to capture mode: every
    // key meanwhile is swallowed, suggestion keys included.
    type("abc");
    press("ctrl+space");
    EXPECT_THAT(deliveredKeyDowns(), ElementsAre("/", "/", "n", "o", "t", "e"));
    EXPECT_THAT(posted(CaptureNotifications::triggerManualSuggestions), IsEmpty());
    loop.runUntilIdle();
    EXPECT_THAT(postedNames(), Contains(CaptureNotifications::hideSuggestionsOverlay));
}

TEST_F(EventTapRig, OpenCaptureOverlayGetsEveryKey)
{
    startTap();
    type("alpha //note ");
    ASSERT_TRUE(waitForCaptureMode());
    manager->setSuggestionsOverlayVisible(true);
    manager->setAIPromptMode(true);
    clearRecords();

    press("ctrl+space");
    press("tab");
    press("ctrl+1");
    press("ctrl+0");
    type("beta ");
    settle();

    EXPECT_EQ(deliveredKeyDowns().size(), 9u) << "every key reaches the capture overlay";
    EXPECT_THAT(postedNames(), IsEmpty());
    EXPECT_THAT(delegate.calls, IsEmpty());
    EXPECT_EQ(manager->recentWords(), std::vector<std::string>{"alpha"});
    EXPECT_FALSE(manager->mutedApplications().contains(editorId));
}

// --- Control+0: suggestions off and on again per application ---

TEST_F(EventTapRig, ControlZeroTogglesSuggestionsForTheFrontmostApplication)
{
    startTap();
    type("alpha bet");
    settle();
    clearRecords();

    press("ctrl+0");
    settle();
    EXPECT_THAT(deliveredKeyDowns(), IsEmpty());
    EXPECT_TRUE(manager->mutedApplications().contains(editorId));
    ASSERT_EQ(posted(ShellNotifications::showHUDMessage).size(), 1u);
    EXPECT_EQ(posted(ShellNotifications::showHUDMessage)[0].userInfo.get<std::string>("message"),
              "Suggestions Disabled");
    ASSERT_EQ(posted(CaptureNotifications::togglePerAppMute).size(), 1u);
    EXPECT_EQ(posted(CaptureNotifications::togglePerAppMute)[0].userInfo.get<bool>("muted"), true);
    // What was typed no longer feeds suggestions.
    EXPECT_THAT(delegate.calls, Contains("clear"));
    EXPECT_THAT(manager->recentWords(), IsEmpty());

    // Muted: suggestion keys and typing pass untouched and report nothing.
    manager->setSuggestionsOverlayVisible(true);
    clearRecords();
    press("tab");
    press("ctrl+space");
    press("ctrl+1");
    type("more words ");
    settle();
    EXPECT_EQ(deliveredKeyDowns().size(), 14u);
    EXPECT_THAT(postedNames(), IsEmpty());
    EXPECT_THAT(delegate.calls, IsEmpty());
    EXPECT_EQ(manager->slidingBuffer(), "");

    // Another application is not muted.
    terminal.activate();
    loop.runUntilIdle();
    clearRecords();
    type("ls ");
    settle();
    EXPECT_THAT(delegate.calls, Contains("update"));
    editor.activate();
    loop.runUntilIdle();

    // Control+0 again turns them back on.
    clearRecords();
    press("ctrl+0");
    settle();
    EXPECT_FALSE(manager->mutedApplications().contains(editorId));
    ASSERT_EQ(posted(ShellNotifications::showHUDMessage).size(), 1u);
    EXPECT_EQ(posted(ShellNotifications::showHUDMessage)[0].userInfo.get<std::string>("message"),
              "Suggestions Enabled");
    press("tab");
    settle();
    EXPECT_THAT(delegate.calls, Contains("cycle"));
}

TEST_F(EventTapRig, CaptureTriggersStillWorkWhileMuted)
{
    startTap();
    press("ctrl+0");
    settle();
    clearRecords();
    type("//note ");
    EXPECT_THAT(deliveredKeyDowns(), ElementsAre("/", "/", "n", "o", "t", "e"));
    loop.runUntilIdle();
    EXPECT_THAT(postedNames(), Contains(CaptureNotifications::hideSuggestionsOverlay));
}

}  // namespace
}  // namespace qm::test
