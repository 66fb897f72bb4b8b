#include "suggestions/SuggestionProvider.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "suggestions/FieldContextDetector.h"
#include "suggestions/FieldMemoryRig.h"
#include "suggestions/SuggestionSources.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Knowledge sources that answer what the test set and note which thread asked.
class FakeSources final : public SuggestionSources {
public:
    std::optional<std::string> activeProactiveSuggestion() override
    {
        const std::lock_guard lock(mutex);
        threads.push_back(std::this_thread::get_id());
        return proactive;
    }
    std::vector<NoteHit> searchNotes(const std::string& text) override
    {
        const std::lock_guard lock(mutex);
        threads.push_back(std::this_thread::get_id());
        searches.push_back(text);
        return hits;
    }
    std::vector<PushedSuggestion> activePushedSuggestions() override
    {
        const std::lock_guard lock(mutex);
        threads.push_back(std::this_thread::get_id());
        return pushed;
    }

    std::mutex mutex;
    std::optional<std::string> proactive;
    std::vector<NoteHit> hits;
    std::vector<PushedSuggestion> pushed;
    std::vector<std::string> searches;
    std::vector<std::thread::id> threads;
};

// What one completion saw.
struct Answer {
    std::vector<SuggestionModel> list;
    bool onMainThread = false;
    // The provider's published list while the completion ran.
    std::vector<SuggestionModel> published;
};

std::vector<std::string> titles(const std::vector<SuggestionModel>& list)
{
    std::vector<std::string> out;
    for (const auto& model : list) {
        out.push_back(model.title);
    }
    return out;
}

std::vector<std::string> shortcuts(const std::vector<SuggestionModel>& list)
{
    std::vector<std::string> out;
    for (const auto& model : list) {
        out.push_back(model.shortcut.value_or("<none>"));
    }
    return out;
}

// The provider over the stand-in desktop's focused field, a field memory on a
// seeded rules database and knowledge sources the test fills.
class SuggestionProviderTest : public FieldMemoryRig {
protected:
    // Focuses a new field with `placeholder` in a new application and brings it in front.
    void focusField(const std::string& bundleId, const std::string& placeholder = "",
                    const std::string& subrole = "")
    {
        const SimApplication app = desktop.addApplication(bundleId, bundleId);
        const SimElement window = app.addWindow("Window");
        SimTextFieldSpec spec;
        spec.placeholder = placeholder;
        spec.subrole = subrole;
        const SimTextField field = window.addTextField(spec);
        app.activate();
        field.focus();
        loop.runUntilIdle();
    }

    std::vector<Answer> fetch(const std::vector<std::string>& texts, const std::string& appBundleId = "")
    {
        auto answers = std::make_shared<std::vector<Answer>>();
        for (const auto& text : texts) {
            provider->updateSuggestions(text, appBundleId, [this, answers](const auto& list) {
                answers->push_back(Answer{list, loop.isMainThread(), provider->suggestions()});
            });
        }
        EXPECT_TRUE(loop.runUntil([&] { return answers->size() == texts.size(); }));
        return *answers;
    }

    std::vector<SuggestionModel> fetchOne(const std::string& text, const std::string& appBundleId = "")
    {
        const auto answers = fetch({text}, appBundleId);
        return answers.empty() ? std::vector<SuggestionModel>{} : answers.front().list;
    }

    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    FieldContextDetector detector{desktop.accessibility(), desktop.workspace()};
    FakeSources sources;
    std::unique_ptr<SuggestionProvider> provider =
        std::make_unique<SuggestionProvider>(SuggestionProvider::Services{loop, detector, &sources});
};

TEST_F(SuggestionProviderTest, NotesAreSearchedOnlyInProseCodeAndUnclassifiedFields)
{
    sources.hits = {{"Budget", "the Q3 budget", "/notes/budget.md"}};
    struct Case {
        const char* name;
        const char* bundleId;
        const char* placeholder;
        const char* subrole;
        bool searches;
    };
    const Case cases[] = {
        {"plain text", "com.apple.TextEdit", "", "", true},
        {"code", "com.jetbrains.intellij", "", "", true},
        {"unknown", "com.example.tool", "", "", true},
        {"email", "com.example.tool", "Email", "", false},
        {"password", "com.example.tool", "", "AXSecureTextField", false},
        {"search", "com.example.tool", "Search", "", false},
        {"url", "com.example.tool", "Website", "", false},
        {"phone", "com.example.tool", "Phone", "", false},
        {"credit card", "com.example.tool", "Card number", "", false},
        {"date", "com.example.tool", "Date", "", false},
        {"colour", "com.example.tool", "Color", "", false},
        {"number", "com.example.tool", "Quantity", "", false},
    };
    for (const Case& c : cases) {
        sources.searches.clear();
        focusField(c.bundleId, c.placeholder, c.subrole);
        const auto list = fetchOne("the quarterly budget review");
        if (c.searches) {
            EXPECT_THAT(sources.searches, ElementsAre("the quarterly budget review")) << c.name;
            ASSERT_EQ(list.size(), 1u) << c.name;
            EXPECT_EQ(list[0].type, SuggestionType::knowledge);
            EXPECT_EQ(list[0].body, "the Q3 budget");
            EXPECT_EQ(list[0].action, "/notes/budget.md");
            EXPECT_EQ(list[0].priority, SuggestionProvider::notePriority);
        } else {
            EXPECT_THAT(sources.searches, IsEmpty()) << c.name;
            EXPECT_THAT(list, IsEmpty()) << c.name;
        }
    }
}

TEST_F(SuggestionProviderTest, SourcesAreOrderedByPriorityKeepingGatheringOrderAndNumbered)
{
    focusField("com.apple.TextEdit");
    sources.proactive = "Project Atlas\nOpen decision: vendor";
    sources.hits = {{"Hit 1", "a", "/1.md"}, {"Hit 2", "b", "/2.md"}, {"Hit 3", "c", "/3.md"}};
    sources.pushed = {{"Pushed A", "body", "do A", 5}, {"Pushed B", std::nullopt, "do B", 5}};

    const auto list = fetchOne("notes about atlas");
    EXPECT_THAT(titles(list),
                ElementsAre("Proactive Context", "Hit 1", "Hit 2", "Hit 3", "Pushed A", "Pushed B"));
    EXPECT_THAT(shortcuts(list), ElementsAre("⌃1", "⌃2", "⌃3", "⌃4", "⌃5", "⌃6"));
    EXPECT_EQ(list[0].type, SuggestionType::proactive);
    EXPECT_EQ(list[0].body, "Project Atlas\nOpen decision: vendor");
    EXPECT_EQ(list[0].action, "");
    EXPECT_EQ(list[0].priority, 1);
    EXPECT_EQ(list[4].type, SuggestionType::mcp);
    EXPECT_EQ(list[4].action, "do A");
    EXPECT_EQ(list[5].body, std::nullopt);
}

TEST_F(SuggestionProviderTest, OnlyTheSixLowestSurviveAndNegativePushedPrioritiesLead)
{
    focusField("com.apple.TextEdit");
    sources.proactive = "briefing";
    sources.hits = {{"Hit 1", "", "/1.md"}, {"Hit 2", "", "/2.md"}, {"Hit 3", "", "/3.md"}};
    sources.pushed = {{"Late", "", "", 9}, {"Zero", "", "", 0}, {"Tie", "", "", 4}, {"Negative", "", "", -3}};

    const auto list = fetchOne("eight candidates here");
    EXPECT_THAT(titles(list),
                ElementsAre("Negative", "Zero", "Proactive Context", "Hit 1", "Hit 2", "Hit 3"));
    EXPECT_THAT(shortcuts(list), ElementsAre("⌃1", "⌃2", "⌃3", "⌃4", "⌃5", "⌃6"));
}

TEST_F(SuggestionProviderTest, ModelsFromTheSameDataDifferAndEqualityIsTheIdAlone)
{
    focusField("com.apple.TextEdit");
    sources.hits = {{"Same", "same", "/same.md"}, {"Same", "same", "/same.md"}};
    const auto list = fetchOne("same same same");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_NE(list[0], list[1]);

    SuggestionModel copy = list[0];
    copy.shortcut = "other";
    SuggestionModel retitled;
    retitled.id = list[0].id;
    retitled.type = SuggestionType::ai;
    retitled.title = "different";
    EXPECT_EQ(copy, list[0]);
    EXPECT_EQ(retitled, list[0]);
    EXPECT_EQ(std::hash<SuggestionModel>{}(retitled), std::hash<SuggestionModel>{}(list[0]));
}

TEST_F(SuggestionProviderTest, GatheringRunsOffTheMainThreadAndEndsThereAfterPublishing)
{
    focusField("com.apple.TextEdit");
    sources.proactive = "briefing";
    const auto answers = fetch({"some typed words"});
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_TRUE(answers[0].onMainThread);
    EXPECT_EQ(titles(answers[0].published), titles(answers[0].list));
    ASSERT_FALSE(sources.threads.empty());
    for (const auto& thread : sources.threads) {
        EXPECT_NE(thread, std::this_thread::get_id());
    }
}

TEST_F(SuggestionProviderTest, AnEmptyGatheringStillPublishesAndCompletes)
{
    focusField("com.apple.TextEdit");
    sources.proactive = "briefing";
    ASSERT_EQ(fetchOne("first words typed").size(), 1u);
    ASSERT_EQ(provider->suggestions().size(), 1u);

    // No briefing, a password field, nothing pushed.
    sources.proactive.reset();
    focusField("com.example.bank", "", "AXSecureTextField");
    const auto answers = fetch({"hunter2"});
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_THAT(answers[0].list, IsEmpty());
    EXPECT_TRUE(answers[0].onMainThread);
    EXPECT_THAT(provider->suggestions(), IsEmpty());
}

TEST_F(SuggestionProviderTest, QuickCallsAreAnsweredInOrderAndTheLastListStays)
{
    focusField("com.apple.TextEdit");
    sources.hits = {{"Hit", "", "/hit.md"}};
    const auto answers = fetch({"first call words", "second call words"});
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_THAT(sources.searches, ElementsAre("first call words", "second call words"));
    EXPECT_EQ(answers[1].list, provider->suggestions());
    EXPECT_NE(answers[0].list, answers[1].list);
}

TEST_F(SuggestionProviderTest, ResultsOfAGoneProviderAreDropped)
{
    focusField("com.apple.TextEdit");
    sources.proactive = "briefing";
    bool completed = false;
    provider->updateSuggestions("words typed here", "", [&](const auto&) { completed = true; });
    provider.reset();
    loop.runUntilIdle();
    EXPECT_FALSE(completed);
}

}  // namespace
}  // namespace qm::test
