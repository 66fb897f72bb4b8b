// When the suggestion panel shows, what it shows, and how it goes away, on
// the manual loop and the stand-in desktop.

#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SuggestionRig.h"
#include "capture/CaptureNotifications.h"
#include "capture/CaptureRouterController.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<SuggestionType> typesOf(const std::vector<SuggestionModel>& suggestions)
{
    std::vector<SuggestionType> types;
    for (const auto& suggestion : suggestions) {
        types.push_back(suggestion.type);
    }
    return types;
}

class SuggestionDisplayTest : public SuggestionRig {
protected:
    SuggestionDisplayTest()
    {
        answer = {suggestion(SuggestionType::mistake, "the", 1),
                  suggestion(SuggestionType::snippet, "thanks", 2),
                  suggestion(SuggestionType::knowledge, "/notes/teh.md", 3)};
    }

    void summon()
    {
        stage.platform.notificationCenter.post(CaptureNotifications::triggerManualSuggestions);
        loop.runUntilIdle();
    }
};

TEST_F(SuggestionDisplayTest, APauseInTypingShowsOnlyMistakesAndASummonShowsEverything)
{
    display->updateSuggestionsNearCaret("I saw teh", false);
    loop.advance(1.0);
    // Each change while typing starts the pause again.
    display->updateSuggestionsNearCaret("I saw teh c", false);
    loop.advance(1.49);
    EXPECT_THAT(asked, IsEmpty());
    loop.advance(0.02);
    loop.runUntilIdle();

    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, "I saw teh c");
    EXPECT_EQ(asked[0].second, nativeId);
    EXPECT_THAT(typesOf(panel.suggestions()), ElementsAre(SuggestionType::mistake));
    EXPECT_TRUE(panel.isShown());
    EXPECT_TRUE(tap->isSuggestionsOverlayVisible());

    // Control+Space: the typed text comes from the tap, the whole list is shown.
    tap->setSlidingBuffer("teh");
    summon();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].first, "teh");
    EXPECT_THAT(typesOf(panel.suggestions()),
                ElementsAre(SuggestionType::mistake, SuggestionType::snippet, SuggestionType::knowledge));
}

TEST_F(SuggestionDisplayTest, ASummonCancelsThePendingPauseFetch)
{
    tap->setSlidingBuffer("teh");
    display->updateSuggestionsNearCaret("teh", false);
    summon();
    loop.advance(2.0);
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(SuggestionDisplayTest, AnEmptyAnswerHidesAfterADelayThatANonEmptyAnswerCancels)
{
    tap->setSlidingBuffer("teh");
    summon();
    ASSERT_TRUE(panel.isShown());

    answer.clear();
    summon();
    loop.advance(0.17);
    EXPECT_TRUE(panel.isShown());
    // A second empty answer does not put the hide off.
    summon();
    loop.advance(0.011);
    EXPECT_FALSE(panel.isShown());
    EXPECT_FALSE(tap->isSuggestionsOverlayVisible());
    EXPECT_FALSE(display->isHidePending());

    answer = {suggestion(SuggestionType::mistake, "the", 1)};
    summon();
    answer.clear();
    summon();
    loop.advance(0.1);
    answer = {suggestion(SuggestionType::snippet, "thanks", 1)};
    summon();
    loop.advance(1.0);
    EXPECT_TRUE(panel.isShown());
    EXPECT_TRUE(tap->isSuggestionsOverlayVisible());
    EXPECT_THAT(typesOf(panel.suggestions()), ElementsAre(SuggestionType::snippet));
}

TEST_F(SuggestionDisplayTest, NothingTypedHidesAtOnceWithoutAsking)
{
    tap->setSlidingBuffer("teh");
    summon();
    tap->setSlidingBuffer("");
    summon();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(panel.isShown());
}

TEST_F(SuggestionDisplayTest, APasswordFieldIsNeverAskedAboutAndClearsEvenThePassiveTriggerBuffer)
{
    tap->start();
    ASSERT_TRUE(loop.runUntil([&] { return tap->eventTap() != nullptr; }));
    desktop.keyboard().type("I think //no");
    tap->processingQueue().sync([] {});
    loop.runUntilIdle();
    summon();
    ASSERT_TRUE(panel.isShown());

    SimTextFieldSpec spec;
    spec.kind = SimTextKind::secure;
    SimTextField password = native.addWindow("Sign in").addTextField(spec);
    password.focus();
    summon();
    tap->processingQueue().sync([] {});
    loop.runUntilIdle();

    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(panel.isShown());
    EXPECT_FALSE(tap->isSuggestionsOverlayVisible());
    EXPECT_EQ(tap->slidingBuffer(), "");

    // Back in the editor, the rest of the trigger starts nothing.
    nativeField.focus();
    loop.runUntilIdle();
    desktop.keyboard().type("te ");
    tap->processingQueue().sync([] {});
    loop.runUntilIdle();
    CaptureRouterController& router = stage.app->captureRouter();
    EXPECT_FALSE(router.isCaptureTransitionThreadSafe() || router.isCaptureModeActiveThreadSafe());
    EXPECT_EQ(nativeField.value(), "I think //note ");
    tap->stop();
}

TEST_F(SuggestionDisplayTest, ATypedTriggerHidesThePanelAndCaptureModeKeepsItHidden)
{
    tap->start();
    ASSERT_TRUE(loop.runUntil([&] { return tap->eventTap() != nullptr; }));
    tap->setSlidingBuffer("teh");
    summon();
    ASSERT_TRUE(panel.isShown());

    desktop.keyboard().type("//note ");
    CaptureRouterController& router = stage.app->captureRouter();
    ASSERT_TRUE(loop.runUntil([&] { return router.isCaptureModeActive(); }));
    EXPECT_FALSE(panel.isShown());
    EXPECT_FALSE(tap->isSuggestionsOverlayVisible());

    summon();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(panel.isShown());
    router.cancelCapture();
    tap->stop();
}

TEST_F(SuggestionDisplayTest, ThePanelOpensAtTheCaretOrAtTheFieldsCornerWhenTheCaretIsUnknown)
{
    tap->setSlidingBuffer("teh");
    nativeField.setValue("teh");
    summon();
    ASSERT_TRUE(panel.lastCaret());
    const Rect caret = *panel.lastCaret();
    EXPECT_GT(caret.x(), 100);
    EXPECT_GT(caret.y(), 100);

    for (const Rect bogus : {Rect(0, 0, 0, 0), Rect(0, 300, 2, 18), Rect(250, 0, 2, 18)}) {
        nativeField.setBoundsOverride(bogus);
        summon();
        ASSERT_TRUE(panel.lastCaret());
        EXPECT_EQ(*panel.lastCaret(), Rect(110, 102, 10, 20));
    }
}

TEST_F(SuggestionDisplayTest, TabCyclesInPlaceAndWrapsAndAnEmptyListIsLeftAlone)
{
    tap->setSlidingBuffer("teh");
    summon();
    const int shows = panel.showCount();
    for (const int expected : {1, 2, 0}) {
        display->eventTapManagerDidCycleSuggestion(*tap);
        EXPECT_EQ(panel.activeIndex(), expected);
        EXPECT_EQ(display->activeSuggestionIndex(), expected);
    }
    EXPECT_EQ(panel.showCount(), shows);
    EXPECT_EQ(panel.suggestions().size(), 3u);

    // The AI prompt shows the panel with no list: Tab changes nothing.
    display->showPanelForAIPrompt();
    display->eventTapManagerDidCycleSuggestion(*tap);
    display->eventTapManagerDidCommitActiveSuggestion(*tap);
    EXPECT_THAT(panel.suggestions(), IsEmpty());
    EXPECT_EQ(panel.activeIndex(), 0);
    EXPECT_TRUE(panel.isShown());
}

TEST_F(SuggestionDisplayTest, AShorterListStartsAgainAtTheFirstSuggestion)
{
    tap->setSlidingBuffer("teh");
    summon();
    display->eventTapManagerDidCycleSuggestion(*tap);
    display->eventTapManagerDidCycleSuggestion(*tap);
    answer.resize(2);
    summon();
    EXPECT_EQ(panel.activeIndex(), 0);
    answer.resize(3, suggestion(SuggestionType::live, "third"));
    display->eventTapManagerDidCycleSuggestion(*tap);
    summon();
    EXPECT_EQ(panel.activeIndex(), 1);
}

TEST_F(SuggestionDisplayTest, EscapeAndATypedTriggerHideThePanel)
{
    tap->setSlidingBuffer("teh");
    summon();
    display->eventTapManagerDidClearSuggestions(*tap);
    EXPECT_FALSE(panel.isShown());

    summon();
    // The capture router posts it on the main thread; from elsewhere it waits for the loop.
    std::thread([&] {
        stage.platform.notificationCenter.post(CaptureNotifications::hideSuggestionsOverlay);
    }).join();
    EXPECT_TRUE(panel.isShown());
    loop.runUntilIdle();
    EXPECT_FALSE(panel.isShown());
    EXPECT_FALSE(tap->isSuggestionsOverlayVisible());
}

TEST_F(SuggestionDisplayTest, WithoutAccessibilityTrustNothingIsAskedOrShown)
{
    desktop.trust().setTrusted(false);
    tap->setSlidingBuffer("teh");
    summon();
    display->showPanelForAIPrompt();
    EXPECT_THAT(asked, IsEmpty());
    EXPECT_EQ(panel.showCount(), 0);
}

TEST_F(SuggestionDisplayTest, AnAnswerArrivingAfterTheDisplayIsGoneTouchesNothing)
{
    SuggestionDisplay::Completion late;
    display = std::make_unique<SuggestionDisplay>(
        SuggestionDisplay::Services{loop, stage.platform.notificationCenter, *accessibility,
                                    stage.app->permissions(), desktop.workspace(), desktop.screens(), *tap,
                                    stage.app->captureRouter(), panel},
        [&](const std::string&, const std::string&, SuggestionDisplay::Completion done) {
            late = std::move(done);
        },
        [](const SuggestionModel&) {});
    display->executeFetchAndDisplay("teh", true);
    ASSERT_TRUE(late);
    display.reset();
    late(answer);
    EXPECT_EQ(panel.showCount(), 0);
}

TEST_F(SuggestionDisplayTest, TheAIPromptOpensEmptyAtTheCaretAndNothingScheduledEarlierReplacesOrHidesIt)
{
    tap->setSlidingBuffer("teh");
    summon();
    answer.clear();
    summon();  // a hide is now pending
    display->updateSuggestionsNearCaret("teh", false);
    answer = {suggestion(SuggestionType::mistake, "the", 1)};

    stage.platform.notificationCenter.post(CaptureNotifications::triggerAIQuickActions);
    loop.runUntilIdle();
    ASSERT_TRUE(tap->isAIPromptMode());
    EXPECT_TRUE(panel.isShown());
    EXPECT_THAT(panel.suggestions(), IsEmpty());
    EXPECT_TRUE(tap->isSuggestionsOverlayVisible());

    loop.advance(2.0);
    summon();  // Control+Space inside the prompt
    EXPECT_TRUE(panel.isShown());
    EXPECT_THAT(panel.suggestions(), IsEmpty());

    stage.platform.notificationCenter.post(CaptureNotifications::cancelAIPrompt);
    loop.runUntilIdle();
    EXPECT_FALSE(panel.isShown());
    EXPECT_FALSE(tap->isSuggestionsOverlayVisible());
    EXPECT_FALSE(tap->isAIPromptMode());
}

TEST_F(SuggestionDisplayTest, WithoutAFocusedFieldTheAIPromptOpensAtTheCentreOfTheMainScreen)
{
    // An application with no window has no focused element.
    desktop.addApplication("com.example.agent", "Agent").activate();
    loop.runUntilIdle();
    display->showPanelForAIPrompt();
    const auto screen = desktop.screens().mainScreen();
    ASSERT_TRUE(screen);
    const double primaryHeight = desktop.screens().screens().front().frame.height();
    const Rect& visible = screen->visibleFrame;
    ASSERT_TRUE(panel.lastCaret());
    const Rect anchor = *panel.lastCaret();
    EXPECT_DOUBLE_EQ(anchor.x() + 5, visible.x() + visible.width() / 2);
    // Accessibility coordinates: measured down from the top of the primary screen.
    EXPECT_DOUBLE_EQ(anchor.y() + 10, primaryHeight - (visible.y() + visible.height() / 2));
    EXPECT_EQ(anchor.size, Size(10, 20));
}

}  // namespace
}  // namespace qm::test
