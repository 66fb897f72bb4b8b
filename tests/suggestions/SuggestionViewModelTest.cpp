#include "suggestions/SuggestionViewModel.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "suggestions/SuggestionDefaultsKeys.h"
#include "suggestions/SuggestionViewRig.h"

namespace qm::test {
namespace {

class SuggestionViewModelTest : public SuggestionViewRig {};

TEST_F(SuggestionViewModelTest, EnteringThePromptEmptiesItButKeepsTheChosenAction)
{
    EXPECT_FALSE(model->isAIPromptMode());
    trigger();
    type("make it short");
    post(CaptureNotifications::cycleAIActionRight);
    post(CaptureNotifications::cycleAIActionRight);
    commit();
    chunk(0, "Short.");
    end(0, PlatformError("OpenAIService", 500, "Bad reply"));
    ASSERT_EQ(model->generatedResponse(), "Short.");
    ASSERT_FALSE(model->errorMessage().empty());

    cancel();
    EXPECT_FALSE(model->isAIPromptMode());
    trigger();
    EXPECT_TRUE(model->isAIPromptMode());
    EXPECT_EQ(model->promptBuffer(), "");
    EXPECT_EQ(model->generatedResponse(), "");
    EXPECT_EQ(model->errorMessage(), "");
    EXPECT_FALSE(model->isGenerating());
    EXPECT_EQ(model->selectedActionIndex(), 2);
}

TEST_F(SuggestionViewModelTest, TheQuickActionsCycleWithWrapAroundInEitherMode)
{
    ASSERT_EQ(model->quickActions().size(), 5u);
    post(CaptureNotifications::cycleAIActionLeft);
    EXPECT_EQ(model->selectedActionIndex(), 4);
    post(CaptureNotifications::cycleAIActionRight);
    EXPECT_EQ(model->selectedActionIndex(), 0);
    for (int step = 0; step < 4; ++step) {
        post(CaptureNotifications::cycleAIActionRight);
    }
    EXPECT_EQ(model->selectedActionIndex(), 4);
    post(CaptureNotifications::cycleAIActionRight);
    EXPECT_EQ(model->selectedActionIndex(), 0);

    // A click picks without generating; an index off the list changes nothing.
    trigger();
    model->selectQuickAction(2);
    model->selectQuickAction(5);
    model->selectQuickAction(-1);
    EXPECT_EQ(model->selectedActionIndex(), 2);
    EXPECT_TRUE(requests.empty());
    commit();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].action, AIActionType::explain());
}

TEST_F(SuggestionViewModelTest, TypingAppendsTextAndDeleteRemovesOneWholeCharacter)
{
    type("ab");
    // Outside prompt mode too: the buffer is edited, not shown.
    EXPECT_EQ(model->promptBuffer(), "ab");
    post(CaptureNotifications::appendAIPromptChar);
    post(CaptureNotifications::appendAIPromptChar, UserInfo{{"text", 7}});
    EXPECT_EQ(model->promptBuffer(), "ab");

    for (const std::string& character :
         {std::string("e\u0301"), std::string("\U0001F44D\U0001F3FD"),
          std::string("\U0001F468\u200D\U0001F469\u200D\U0001F467"), std::string("\r\n")}) {
        type(character);
        post(CaptureNotifications::deleteAIPromptChar);
        EXPECT_EQ(model->promptBuffer(), "ab") << character;
    }
    post(CaptureNotifications::deleteAIPromptChar);
    post(CaptureNotifications::deleteAIPromptChar);
    post(CaptureNotifications::deleteAIPromptChar);
    EXPECT_EQ(model->promptBuffer(), "");
}

TEST_F(SuggestionViewModelTest, ReturnGeneratesThenInsertsTheWholeAnswerOnce)
{
    commit();  // not in prompt mode
    EXPECT_TRUE(requests.empty());

    trigger();
    type("fix this");
    commit();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].prompt, "fix this");
    EXPECT_EQ(requests[0].action, AIActionType::rewrite("professional"));
    EXPECT_EQ(requests[0].maxTokens, 1024);
    EXPECT_TRUE(model->isGenerating());

    // Typing on while it streams changes neither the request nor the answer.
    type(" please");
    commit();
    EXPECT_EQ(requests.size(), 1u);
    chunk(0, "Please ");
    chunk(0, "fix this.");
    EXPECT_EQ(model->generatedResponse(), "Please fix this.");
    commit();
    EXPECT_TRUE(inserted.empty());
    end(0);
    EXPECT_FALSE(model->isGenerating());
    EXPECT_TRUE(model->isAIPromptMode());

    commit();
    EXPECT_EQ(inserted, (std::vector<std::string>{"Please fix this."}));
    // Posted while the prompt was still up; it ends right after.
    EXPECT_TRUE(promptModeWhenInserted);
    EXPECT_FALSE(model->isAIPromptMode());
    EXPECT_EQ(model->generatedResponse(), "Please fix this.");
    commit();
    EXPECT_EQ(inserted.size(), 1u);
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(SuggestionViewModelTest, AnEmptyInstructionStillGenerates)
{
    trigger();
    post(CaptureNotifications::cycleAIActionLeft);
    commit();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].prompt, "");
    EXPECT_EQ(requests[0].action, AIActionType::translate("Spanish"));
}

TEST_F(SuggestionViewModelTest, AStreamWithoutPiecesLeavesTheInstructionReadyForAnotherTry)
{
    trigger();
    commit();
    end(0);
    EXPECT_FALSE(model->isGenerating());
    EXPECT_EQ(model->generatedResponse(), "");
    commit();
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_TRUE(inserted.empty());
}

TEST_F(SuggestionViewModelTest, AFailureShowsItsErrorAndReturnRetriesOrInsertsWhatArrived)
{
    trigger();
    commit();
    end(0, PlatformError("AnthropicService", 401, "API Key missing"));
    EXPECT_FALSE(model->isGenerating());
    EXPECT_EQ(model->errorMessage(), "Generation Error: API Key missing");

    commit();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(model->errorMessage(), "");
    chunk(1, "Half an ans");
    end(1, PlatformError("AnthropicService", 500, "Connection lost"));
    EXPECT_EQ(model->errorMessage(), "Generation Error: Connection lost");
    EXPECT_EQ(model->generatedResponse(), "Half an ans");

    commit();
    EXPECT_EQ(inserted, (std::vector<std::string>{"Half an ans"}));
    EXPECT_EQ(requests.size(), 2u);
}

TEST_F(SuggestionViewModelTest, EscLeavesTheAnswerUninsertedAndTheGenerationRunning)
{
    trigger();
    commit();
    chunk(0, "one ");
    cancel();
    EXPECT_FALSE(model->isAIPromptMode());
    EXPECT_TRUE(model->isGenerating());
    EXPECT_FALSE(requests[0].cancel.isCancelled());
    chunk(0, "two");
    end(0);
    EXPECT_EQ(model->generatedResponse(), "one two");
    EXPECT_FALSE(model->isGenerating());
    commit();  // outside prompt mode
    EXPECT_TRUE(inserted.empty());

    trigger();
    EXPECT_EQ(model->generatedResponse(), "");
}

TEST_F(SuggestionViewModelTest, ANewPromptRetiresTheRunningGenerationAndDropsWhatItStillSends)
{
    trigger();
    type("first");
    commit();
    chunk(0, "old ");

    trigger();
    EXPECT_TRUE(requests[0].cancel.isCancelled());
    EXPECT_FALSE(model->isGenerating());
    type("second");
    commit();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[1].cancel.isCancelled());

    chunk(0, "leaked");
    chunk(1, "new");
    // The old stream's end neither stops nor fails the new one.
    end(0, PlatformError("NSURLErrorDomain", -999, "cancelled"));
    EXPECT_TRUE(model->isGenerating());
    EXPECT_EQ(model->errorMessage(), "");
    chunk(1, " answer");
    end(1);
    EXPECT_EQ(model->generatedResponse(), "new answer");
    commit();
    EXPECT_EQ(inserted, (std::vector<std::string>{"new answer"}));
}

TEST_F(SuggestionViewModelTest, ChipsKeepThePromptStateAcrossNewLists)
{
    std::vector<int> picked;
    std::vector<SuggestionModel> list(3);
    list[0].title = "one";
    model->setContent(list, 1, "⌃⌥", [&](int index) { picked.push_back(index); });
    EXPECT_FALSE(model->chip(0, false).isActive());
    EXPECT_TRUE(model->chip(1, false).isActive());
    EXPECT_EQ(model->chip(2, true).badgeText(), "⌃⌥3");
    model->selectChip(2);
    EXPECT_EQ(picked, std::vector<int>{2});

    trigger();
    type("keep me");
    model->setContent({}, 0, "⌃", nullptr);
    EXPECT_TRUE(model->isAIPromptMode());
    EXPECT_EQ(model->promptBuffer(), "keep me");
    model->selectChip(0);  // no handler: nothing
    EXPECT_EQ(picked.size(), 1u);

    // An active index off the list highlights nothing.
    model->setContent(list, 7, "⌃", nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(model->chip(i, false).isActive()) << i;
    }
}

TEST_F(SuggestionViewModelTest, TheOrientationButtonStoresTheOtherLayoutAndAsksForARefit)
{
    int orientationPosts = 0;
    int resetPosts = 0;
    bool horizontalWhenPosted = true;
    const auto o1 = center.addObserver(SuggestionNotifications::popupOrientationChanged, nullptr,
                                       [&](const Notification&) {
                                           ++orientationPosts;
                                           horizontalWhenPosted = model->isHorizontal();
                                       });
    const auto o2 = center.addObserver(SuggestionNotifications::resetPanelPosition, nullptr,
                                       [&](const Notification&) { ++resetPosts; });

    EXPECT_TRUE(model->isHorizontal());
    EXPECT_EQ(model->orientationIconName(), "distribute.horizontal.fill");
    model->toggleOrientation();
    EXPECT_EQ(defaults.objectForKey(SuggestionDefaultsKeys::isPopupOrientationHorizontal),
              DefaultsValue(false));
    EXPECT_EQ(orientationPosts, 1);
    EXPECT_FALSE(horizontalWhenPosted);
    EXPECT_EQ(model->orientationIconName(), "distribute.vertical.fill");
    model->toggleOrientation();
    EXPECT_TRUE(model->isHorizontal());
    EXPECT_EQ(orientationPosts, 2);

    model->resetPosition();
    EXPECT_EQ(resetPosts, 1);
    center.removeObserver(o1);
    center.removeObserver(o2);
}

TEST_F(SuggestionViewModelTest, KeysPostedOffTheMainThreadAreHandledOnIt)
{
    trigger();
    std::thread other([this] { type("x"); });
    other.join();
    EXPECT_EQ(model->promptBuffer(), "");
    loop.runUntilIdle();
    EXPECT_EQ(model->promptBuffer(), "x");
}

TEST_F(SuggestionViewModelTest, AModelThatIsGoneHearsNothingMore)
{
    trigger();
    commit();
    const AIStreamHandler handler = requests[0].handler;
    const CancellationToken token = requests[0].cancel;
    model.reset();
    EXPECT_TRUE(token.isCancelled());
    EXPECT_EQ(center.observerCount(CaptureNotifications::commitAIPrompt), 0u);
    handler.onChunk("late");
    handler.onEnd(std::nullopt);
    trigger();
}

}  // namespace
}  // namespace qm::test
