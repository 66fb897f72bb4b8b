// The AI prompt over the real engine and its scripted services: what the
// wiring hands the panel.
#include <string>

#include <gtest/gtest.h>

#include "capture/CaptureNotifications.h"
#include "platform/notifications/NotificationCenter.h"
#include "suggestions/AIPromptCard.h"
#include "suggestions/AIPromptServices.h"
#include "suggestions/AISuggestionEngineRig.h"
#include "suggestions/SuggestionViewModel.h"

namespace qm {
namespace {

TEST(AIPromptWithTheEngine, StreamsTheChosenServicesAnswerForTheSelection)
{
    test::AISuggestionEngineRig rig;
    AISuggestionEngine& engine = rig.makeWithFakes();
    engine.setActiveProviderName("anthropic");
    rig.anthropic->streamChunks = {"Hola", ", equipo"};
    rig.focusField("hello team, see you soon", {0, 10});
    NotificationCenter center;
    SuggestionViewModel model(rig.loop, center, rig.defaults, AIPromptServices::from(engine));

    center.post(CaptureNotifications::triggerAIQuickActions);
    center.post(CaptureNotifications::appendAIPromptChar, nullptr, UserInfo{{"text", "keep it short"}});
    center.post(CaptureNotifications::cycleAIActionLeft);
    const AIPromptCard composing = AIPromptCard::make(model);
    EXPECT_EQ(composing.serviceLine, "ANTHROPIC • claude-3-5-sonnet-20241022");
    EXPECT_EQ(composing.contextLine, "Selected Context: \"hello team\"");

    center.post(CaptureNotifications::commitAIPrompt);
    ASSERT_TRUE(rig.loop.runUntil([&] { return !model.isGenerating(); }));
    EXPECT_EQ(model.generatedResponse(), "Hola, equipo");
    EXPECT_EQ(model.errorMessage(), "");
    ASSERT_EQ(rig.anthropic->calls().size(), 1u);
    EXPECT_EQ(rig.anthropic->calls()[0].prompt,
              engine.buildFinalPrompt("keep it short", AIActionType::translate("Spanish")));
    EXPECT_EQ(rig.anthropic->calls()[0].maxTokens, 1024);
    EXPECT_TRUE(rig.openai->calls().empty());
}

TEST(AIPromptWithTheEngine, AServiceFailureBecomesTheCardsError)
{
    test::AISuggestionEngineRig rig;
    AISuggestionEngine& engine = rig.makeWithFakes();
    rig.openai->streamChunks = {"Part"};
    rig.openai->failure = PlatformError("OpenAIService", 429, "Rate limit reached");
    NotificationCenter center;
    SuggestionViewModel model(rig.loop, center, rig.defaults, AIPromptServices::from(engine));

    center.post(CaptureNotifications::triggerAIQuickActions);
    center.post(CaptureNotifications::commitAIPrompt);
    ASSERT_TRUE(rig.loop.runUntil([&] { return !model.isGenerating(); }));
    EXPECT_EQ(model.generatedResponse(), "Part");
    EXPECT_EQ(model.errorMessage(), "Generation Error: Rate limit reached");
    EXPECT_FALSE(AIPromptCard::make(model).contextLine);
}

}  // namespace
}  // namespace qm
