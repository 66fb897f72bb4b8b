#include "suggestions/AISuggestionEngine.h"

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/Text.h"
#include "suggestions/AISuggestionEngineRig.h"

namespace qm {
namespace {

using test::AISuggestionEngineRig;
using test::FakeAIProvider;

const std::string kQuote = "\"\"\"";

// The prompt of a request without context blocks.
std::string bare(const std::string& instruction, const std::string& text)
{
    return "Instructions:\n" + instruction + "\n\nText/Query:\n" + kQuote + "\n" + text + "\n" + kQuote;
}

class AISuggestionEngineTest : public ::testing::Test {
protected:
    AISuggestion generate(const std::string& prompt, const AIActionType& action = AIActionType::summarize())
    {
        return engine.generateAIResponse(prompt, action, 1024, {});
    }

    AISuggestionEngineRig rig;
    AISuggestionEngine& engine = rig.makeWithFakes();
};

struct ProviderCase {
    std::optional<std::string> provider;
    std::optional<std::string> model;
    std::string expectedService;
    std::string expectedModel;
};

TEST_F(AISuggestionEngineTest, TheServiceAndModelFollowTheStoredSettings)
{
    const ProviderCase cases[] = {
        {std::nullopt, std::nullopt, "OpenAI", "gpt-4o"},
        {"openai", std::nullopt, "OpenAI", "gpt-4o"},
        {"anthropic", std::nullopt, "Anthropic", "claude-3-5-sonnet-20241022"},
        {"Anthropic", std::nullopt, "OpenAI", "gpt-4o"},
        {"ollama", "", "Local Ollama", "llama3"},
        {"ollama", "mistral", "Local Ollama", "mistral"},
        {"", std::nullopt, "OpenAI", "gpt-4o"},
        {"someone-else", "their-model", "OpenAI", "their-model"},
        {"anthropic", "gpt-4o", "Anthropic", "gpt-4o"},
    };
    int promptNumber = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.provider.value_or("(none)") << " / " << c.model.value_or("(none)"));
        rig.defaults.removeObjectForKey("aiProvider");
        rig.defaults.removeObjectForKey("aiModel");
        if (c.provider) {
            engine.setActiveProviderName(*c.provider);
        }
        if (c.model) {
            engine.setActiveModelName(*c.model);
        }
        EXPECT_EQ(engine.activeProviderName(), c.provider.value_or("openai"));
        EXPECT_EQ(engine.activeModelName(), c.expectedModel);
        EXPECT_EQ(engine.getActiveProvider().name(), c.expectedService);

        const auto suggestion = generate("text " + std::to_string(++promptNumber));
        EXPECT_EQ(suggestion.provider, c.expectedService);
        EXPECT_EQ(suggestion.model, c.expectedModel);
        auto* service = c.expectedService == "OpenAI"      ? rig.openai
                        : c.expectedService == "Anthropic" ? rig.anthropic
                                                           : rig.ollama;
        ASSERT_FALSE(service->calls().empty());
        EXPECT_EQ(service->calls().back().model, c.expectedModel);
        EXPECT_EQ(service->calls().back().maxTokens, 1024);
    }
}

TEST_F(AISuggestionEngineTest, SwitchesCountOnlyAStoredBoolean)
{
    for (const auto& [key, read] : std::vector<std::pair<std::string, std::function<bool()>>>{
             {"isEnhancedContextEnabled", [&] { return engine.isEnhancedContextEnabled(); }},
             {"isDirectInputAIEnabled", [&] { return engine.isDirectInputAIEnabled(); }}}) {
        SCOPED_TRACE(key);
        rig.defaults.removeObjectForKey(key);
        EXPECT_TRUE(read());
        rig.defaults.set(key, false);
        EXPECT_FALSE(read());
        rig.defaults.set(key, std::int64_t{0});
        EXPECT_TRUE(read());
        rig.defaults.set(key, "false");
        EXPECT_TRUE(read());
        rig.defaults.set(key, true);
        EXPECT_TRUE(read());
    }
    engine.setEnhancedContextEnabled(false);
    EXPECT_EQ(rig.defaults.objectForKey("isEnhancedContextEnabled"), DefaultsValue(false));
}

struct InstructionCase {
    AIActionType action;
    std::string instruction;
};

TEST_F(AISuggestionEngineTest, EachActionHasItsInstruction)
{
    const InstructionCase cases[] = {
        {AIActionType::rewrite("Casual"),
         "Please rewrite the following text to sound extremely Casual. Preserve the original core intent, "
         "but "
         "format nicely. Reply ONLY with the rewritten text and nothing else (no conversational filler)."},
        {AIActionType::translate("German"), "Please translate the following text to German. Return ONLY the "
                                            "translation without any quote marks or explanations."},
        {AIActionType::summarize(), "Please summarize the following text into key bullet points or a short, "
                                    "impactful paragraph. Avoid conversational intros."},
        {AIActionType::explain(),
         "Please briefly explain the following text or code snippet clearly. Be concise "
         "and precise. Avoid conversational intros."},
        {AIActionType::custom("Turn into a haiku"), "Turn into a haiku"},
        {AIActionType::custom(""), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action.label());
        EXPECT_EQ(engine.buildFinalPrompt("  the text\n", c.action), bare(c.instruction, "  the text\n"));
    }
    // An empty custom prompt leaves the instruction line empty.
    EXPECT_EQ(engine.buildFinalPrompt("x", AIActionType::custom("")).substr(0, 27),
              "Instructions:\n\n\nText/Query:");
}

TEST_F(AISuggestionEngineTest, PromptsCarryTheContextOfTheFocusedField)
{
    const std::string instruction = "Turn into a haiku";
    const auto action = AIActionType::custom(instruction);

    // A frontmost application without a focused element: only the App entry.
    auto app = rig.desktop.addApplication("com.example.empty", "Empty");
    app.activate();
    rig.loop.runUntilIdle();
    EXPECT_EQ(engine.buildFinalPrompt("p", action),
              "Environment Context [App: com.example.empty]\n" + bare(instruction, "p"));
    EXPECT_TRUE(rig.domainAskedFor.empty());

    // A selection wins over the value; the page's domain joins the environment.
    auto field = rig.focusField("Dear team, the \u00e9t\u00e9 plan", {5, 4});
    rig.domain = "docs.example.com";
    EXPECT_EQ(engine.buildFinalPrompt("p", action),
              "Environment Context [App: com.example.editor, Website: docs.example.com]\n"
              "Selected Text Context:\n" +
                  kQuote + "\nteam\n" + kQuote + "\n\n" + bare(instruction, "p"));
    ASSERT_FALSE(rig.domainAskedFor.empty());
    EXPECT_EQ(rig.domainAskedFor.back(), field.axElement());

    // Without a selection, the last 1000 user-perceived characters of the value.
    std::string head;
    for (int i = 0; i < 500; ++i) {
        head += "e\u0301";  // one character, two code points
    }
    std::string tail;
    for (int i = 0; i < 999; ++i) {
        tail += (i % 2) ? "\U0001F44D\U0001F3FD" : "a";  // emoji with a skin tone: one character
    }
    field.setValue(head + "!" + tail);
    field.select({0, 0});
    rig.domain.reset();
    const auto context = engine.harvestContext();
    EXPECT_FALSE(context.selectedText);
    ASSERT_TRUE(context.surroundingValue);
    EXPECT_EQ(*context.surroundingValue, "!" + tail);
    EXPECT_EQ(text::graphemeCount(*context.surroundingValue), 1000u);
    EXPECT_EQ(engine.buildFinalPrompt("p", action), "Environment Context [App: com.example.editor]\n"
                                                    "Surrounding Text Context:\n" +
                                                        kQuote + "\n!" + tail + "\n" + kQuote + "\n\n" +
                                                        bare(instruction, "p"));

    // Context off: nothing is read at all.
    rig.domainAskedFor.clear();
    engine.setEnhancedContextEnabled(false);
    EXPECT_EQ(engine.buildFinalPrompt("p", action), bare(instruction, "p"));
    EXPECT_TRUE(rig.domainAskedFor.empty());
}

TEST_F(AISuggestionEngineTest, WithoutAccessibilityOnlyTheApplicationIsKnown)
{
    rig.focusField("value", {0, 5});
    rig.desktop.trust().setTrusted(false);
    const auto context = engine.harvestContext();
    EXPECT_EQ(context, (AISuggestionEngine::HarvestedContext{std::nullopt, std::nullopt, "com.example.editor",
                                                             std::nullopt}));
}

TEST_F(AISuggestionEngineTest, AnswersAreCachedForFiveMinutesOnTheClock)
{
    rig.openai->answer = [](const auto&) { return std::string("Short text"); };
    const auto fresh = generate("Long text");
    const auto prompt = rig.openai->calls().front().prompt;
    EXPECT_EQ(fresh.text, "Short text");
    EXPECT_EQ(fresh.provider, "OpenAI");
    EXPECT_EQ(fresh.originalPrompt, "Long text");
    EXPECT_EQ(fresh.actionType, "Summarize");
    EXPECT_EQ(fresh.timestamp, rig.clock.now());
    EXPECT_EQ(
        fresh.estimatedTokens,
        static_cast<std::int64_t>((text::graphemeCount(prompt) + text::graphemeCount("Short text")) / 4));
    EXPECT_EQ(engine.totalTokensUsed(), fresh.estimatedTokens);

    rig.clock.advance(299.9);
    const auto cached = generate("Long text");
    EXPECT_EQ(rig.openai->calls().size(), 1u);
    EXPECT_EQ(cached.text, "Short text");
    EXPECT_EQ(cached.provider, "openai");  // the settings name, not the service's
    EXPECT_EQ(cached.model, "gpt-4o");
    EXPECT_EQ(cached.estimatedTokens, 10 / 4);
    EXPECT_EQ(cached.timestamp, rig.clock.now());
    EXPECT_NE(cached.id, fresh.id);
    EXPECT_EQ(engine.totalTokensUsed(), fresh.estimatedTokens);

    // Stale at 300 s: dropped, so even going back in time does not find it.
    rig.clock.advance(0.1);
    generate("Long text");
    EXPECT_EQ(rig.openai->calls().size(), 2u);
    rig.clock.advance(200);
    generate("Long text");
    EXPECT_EQ(rig.openai->calls().size(), 2u);
}

TEST_F(AISuggestionEngineTest, AnAnswerIsServedOnlyForTheSameRequestInTheSameContext)
{
    auto field = rig.focusField("first paragraph. second paragraph.", {0, 15});
    generate("Polish");
    const std::vector<std::function<void()>> changes = {
        [&] {
            field.select({17, 16});
        },                                                        // another selection
        [&] { engine.setActiveModelName("gpt-4o-mini"); },        // another model
        [&] { rig.defaults.set("aiProvider", "someone-else"); },  // another provider name, same service
    };
    std::size_t expectedCalls = 1;
    for (const auto& change : changes) {
        change();
        generate("Polish");
        EXPECT_EQ(rig.openai->calls().size(), ++expectedCalls);
    }
    generate("Polish", AIActionType::explain());
    EXPECT_EQ(rig.openai->calls().size(), ++expectedCalls);
    // The same request again is a hit.
    generate("Polish", AIActionType::explain());
    EXPECT_EQ(rig.openai->calls().size(), expectedCalls);
}

TEST_F(AISuggestionEngineTest, ServiceErrorsReachTheCallerAndAreNeitherCachedNorCounted)
{
    rig.openai->failure = PlatformError("OpenAIService", 429, "{\"error\":\"slow down\"}");
    try {
        generate("Long text");
        ADD_FAILURE() << "no error";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error, *rig.openai->failure);
    }
    EXPECT_EQ(engine.totalTokensUsed(), 0);
    rig.openai->failure.reset();
    generate("Long text");
    EXPECT_EQ(rig.openai->calls().size(), 2u);
}

TEST_F(AISuggestionEngineTest, TheTokenCounterLosesNoUpdateUnderConcurrentRequests)
{
    std::vector<std::thread> threads;
    std::vector<std::int64_t> estimates(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                estimates[t] +=
                    generate("request " + std::to_string(t) + "/" + std::to_string(i)).estimatedTokens;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::int64_t total = 0;
    for (const auto estimate : estimates) {
        total += estimate;
    }
    EXPECT_GT(total, 0);
    EXPECT_EQ(engine.totalTokensUsed(), total);
    engine.resetTokenStats();
    EXPECT_EQ(engine.totalTokensUsed(), 0);
}

}  // namespace
}  // namespace qm
