// The AI answer the user accepted goes into the focused field.

#include <gtest/gtest.h>

#include "SuggestionRig.h"
#include "capture/CaptureNotifications.h"
#include "suggestions/SuggestionNotifications.h"

namespace qm::test {
namespace {

class AITextInserterTest : public SuggestionRig {
protected:
    void openPrompt()
    {
        stage.platform.notificationCenter.post(CaptureNotifications::triggerAIQuickActions);
        loop.runUntilIdle();
        ASSERT_TRUE(panel.isShown());
        ASSERT_TRUE(tap->isAIPromptMode());
    }
    void answerWith(UserInfo userInfo)
    {
        stage.platform.notificationCenter.post(SuggestionNotifications::insertAIText, nullptr,
                                               std::move(userInfo));
        loop.runUntilIdle();
    }
};

TEST_F(AITextInserterTest, TheAnswerReplacesTheSelectionAndThePromptCloses)
{
    nativeField.setValue("Please fix this sentense now");
    nativeField.select({16, 8});
    openPrompt();
    answerWith({{SuggestionNotifications::insertAITextKey, "sentence"}});
    EXPECT_EQ(nativeField.value(), "Please fix this sentence now");
    EXPECT_FALSE(panel.isShown());
    EXPECT_FALSE(tap->isSuggestionsOverlayVisible());
    EXPECT_FALSE(tap->isAIPromptMode());
}

TEST_F(AITextInserterTest, AFieldThatRefusesGetsTheWholeAnswerAsTypedKeys)
{
    browserField.setValue("draft: xx");
    browserField.select({7, 2});
    browserField.refuseWrites();
    browser.activate();
    openPrompt();
    const std::string answer = "Ünïcode 👋🏽 and a long answer that needs several key events";
    answerWith({{SuggestionNotifications::insertAITextKey, answer}});
    EXPECT_EQ(browserField.value(), "draft: " + answer);
    EXPECT_FALSE(panel.isShown());
}

TEST_F(AITextInserterTest, AnAnswerThatIsNotTextLeavesThePromptOpen)
{
    nativeField.setValue("keep");
    openPrompt();
    answerWith({{SuggestionNotifications::insertAITextKey, 42}});
    answerWith({});
    EXPECT_TRUE(panel.isShown());
    EXPECT_TRUE(tap->isAIPromptMode());
    EXPECT_EQ(nativeField.value(), "keep");
}

}  // namespace
}  // namespace qm::test
