#include "suggestions/AIPromptCard.h"

#include <string>

#include <gtest/gtest.h>

#include "suggestions/SuggestionViewRig.h"

namespace qm::test {
namespace {

class AIPromptCardTest : public SuggestionViewRig {
protected:
    AIPromptCard card() const { return AIPromptCard::make(*model); }
};

TEST_F(AIPromptCardTest, ComposingShowsThePlaceholderTheActionsAndTheGenerateHint)
{
    providerName = "anthropic";
    modelName = "claude-3-5-sonnet-20241022";
    trigger();
    const AIPromptCard face = card();
    EXPECT_EQ(face.serviceLine, "ANTHROPIC • claude-3-5-sonnet-20241022");
    EXPECT_FALSE(face.contextLine);
    EXPECT_TRUE(face.instructionIsPlaceholder);
    EXPECT_EQ(face.instruction, AIPromptCard::placeholder);
    ASSERT_EQ(face.actions.size(), 5u);
    EXPECT_EQ(face.actions[0], (AIPromptCard::Action{"Rewrite (Professional)", "pencil.and.outline", true}));
    EXPECT_EQ(face.actions[4], (AIPromptCard::Action{"Translate", "character.book.closed.fill", false}));
    EXPECT_EQ(face.bottom, AIPromptCard::Bottom::composing);

    type("make it <b>bold</b>");
    post(CaptureNotifications::cycleAIActionLeft);
    EXPECT_EQ(card().instruction, "make it <b>bold</b>");
    EXPECT_FALSE(card().instructionIsPlaceholder);
    EXPECT_TRUE(card().actions[4].selected);
    EXPECT_FALSE(card().actions[0].selected);
}

TEST_F(AIPromptCardTest, TheResultAreaFollowsTheGeneration)
{
    trigger();
    commit();
    AIPromptCard face = card();
    EXPECT_EQ(face.bottom, AIPromptCard::Bottom::result);
    EXPECT_TRUE(face.showsProgress);
    EXPECT_FALSE(face.showsInsertHint);

    chunk(0, "Dear team,");
    face = card();
    EXPECT_EQ(face.answer, "Dear team,");
    EXPECT_TRUE(face.showsProgress);
    EXPECT_FALSE(face.showsInsertHint);

    end(0);
    face = card();
    EXPECT_FALSE(face.showsProgress);
    EXPECT_TRUE(face.showsInsertHint);
    EXPECT_FALSE(face.errorText);
}

TEST_F(AIPromptCardTest, AnErrorReplacesTheAnswerAndKeepsTheInsertHintOnlyWhenTextArrived)
{
    trigger();
    commit();
    end(0, PlatformError("OpenAIService", 401, "No API key"));
    AIPromptCard face = card();
    EXPECT_EQ(face.bottom, AIPromptCard::Bottom::result);
    EXPECT_EQ(face.errorText, "Generation Error: No API key");
    EXPECT_FALSE(face.showsInsertHint);

    commit();
    chunk(1, "partial");
    end(1, PlatformError("OpenAIService", 502, "Bad gateway"));
    face = card();
    EXPECT_EQ(face.errorText, "Generation Error: Bad gateway");
    EXPECT_TRUE(face.showsInsertHint);
}

TEST_F(AIPromptCardTest, TheSelectionIsQuotedAndCutAtFortySixCharacters)
{
    selectedText = "";
    EXPECT_FALSE(card().contextLine);
    selectedText = "Quarterly numbers";
    EXPECT_EQ(card().contextLine, "Selected Context: \"Quarterly numbers\"");

    const std::string fortyFive(45, 'a');
    EXPECT_EQ(AIPromptCard::excerpt(fortyFive), fortyFive);
    EXPECT_EQ(AIPromptCard::excerpt(std::string(46, 'b')), std::string(42, 'b') + "...");
    // Characters as a person counts them: 46 flags are cut after 42 whole flags.
    std::string flags;
    for (int i = 0; i < 46; ++i) {
        flags += "\U0001F1E9\U0001F1EA";
    }
    std::string kept;
    for (int i = 0; i < 42; ++i) {
        kept += "\U0001F1E9\U0001F1EA";
    }
    EXPECT_EQ(AIPromptCard::excerpt(flags), kept + "...");
}

}  // namespace
}  // namespace qm::test
