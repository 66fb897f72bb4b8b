#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "base/Log.h"
#include "knowledge/ContextTransitionDetector.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeDatabaseTest.h"
#include "knowledge/KnowledgeGraphEngine.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/ProactiveEngine.h"
#include "knowledge/RecordingConnection.h"
#include "platform/sim/accessibility/SimElement.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimApplication.h"

namespace qm::test {
namespace {

using ::testing::HasSubstr;

// The whole context road on the stand-in desktop: a window title seen by the
// detector finds its project in the graph and becomes the briefing.
class ProactiveEngineTest : public KnowledgeDatabaseTest {
protected:
    ProactiveEngineTest()
    {
        hub.registerConnection(tool, toolId);
        hub.subscribe(toolId);
        editor.activate();
        loop.runUntilIdle();
    }

    void node(const std::string& id, const std::string& type, const std::string& name)
    {
        ASSERT_TRUE(db->saveNode(id, type, name, {}, 1, 1));
    }

    void link(const std::string& source, const std::string& target)
    {
        ASSERT_TRUE(db->saveEdge(source + "-" + target, source, target, "related_to", {}, 1));
    }

    // Atlas: decisions use SQLite then keep WAL, topics search, sync and ui,
    // the tools git then vscode, the people Ana, Bo and Cy.
    void buildAtlas()
    {
        node("atlas", "project", "Atlas");
        for (const auto& [id, type, name] :
             std::vector<std::tuple<std::string, std::string, std::string>>{{"d1", "decision", "use SQLite"},
                                                                            {"d2", "decision", "keep WAL"},
                                                                            {"t1", "topic", "search"},
                                                                            {"t2", "topic", "sync"},
                                                                            {"t3", "topic", "ui"},
                                                                            {"k1", "tool", "git"},
                                                                            {"k2", "tool", "vscode"},
                                                                            {"p1", "person", "Ana"},
                                                                            {"p2", "person", "Bo"},
                                                                            {"p3", "person", "Cy"}}) {
            node(id, type, name);
            link("atlas", id);
        }
        query.invalidateCache();
    }

    // The briefing the walk's order gives: the last decision and tool, the
    // first two topics and people.
    std::string expectedAtlasBriefing(const std::string& header)
    {
        std::vector<std::string> decisions, topics, tools, persons;
        for (const auto& n : query.getRelatedEntities("atlas", 2)) {
            auto& list = n.type() == EntityType::decision ? decisions
                         : n.type() == EntityType::topic  ? topics
                         : n.type() == EntityType::tool   ? tools
                                                          : persons;
            list.push_back(n.name());
        }
        return header + "Atlas\n• Open Decision: " + decisions.back() + "\n• Active Topics: " + topics[0] +
               ", " + topics[1] + "\n• Tool: " + tools.back() + "\n• Team: " + persons[0] + ", " + persons[1];
    }

    void showTitle(const std::string& title)
    {
        window.setTitle(title);
        loop.advance(ContextTransitionDetector::pollInterval);
    }

    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    SimApplication editor = desktop.addApplication("com.example.editor", "Editor");
    SimElement window = editor.addWindow("start");
    GraphQueryEngine query{*db, clock};
    KnowledgeGraphEngine graph{*db, clock, "/home"};
    MCPHubManager hub{query, clock};
    std::shared_ptr<RecordingConnection> tool = std::make_shared<RecordingConnection>();
    Uuid toolId = Uuid::random();
    ContextTransitionDetector detector{desktop.workspace(), desktop.accessibility(), loop, clock};
    ProactiveEngine engine{detector, graph, query, hub, defaults};
};

TEST_F(ProactiveEngineTest, ASwitchToAProjectWindowBriefsAndBroadcasts)
{
    buildAtlas();
    showTitle("Atlas");
    const auto briefing = expectedAtlasBriefing("💡 Switched to project: ");
    EXPECT_EQ(engine.activeProactiveSuggestion(), briefing);
    const auto sent = tool->waitFor(1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_THAT(sent[0], HasSubstr("quillmarker.contextChanged"));
    EXPECT_THAT(sent[0], HasSubstr("Atlas"));

    // Two of three topics and people, one of two decisions and tools.
    EXPECT_EQ(std::count(briefing.begin(), briefing.end(), '\n'), 4);
}

TEST_F(ProactiveEngineTest, IdleResumeUsesTheWelcomeHeader)
{
    buildAtlas();
    showTitle("Atlas");
    loop.advance(ContextTransitionDetector::idleThreshold + 2);
    showTitle("atlas");
    EXPECT_EQ(engine.activeProactiveSuggestion(), expectedAtlasBriefing("💡 Welcome back! Resumed project: "));
}

TEST_F(ProactiveEngineTest, NoProjectNoNeighboursOrABlankTitleClearTheBriefing)
{
    buildAtlas();
    node("lonely", "project", "Lonely");
    query.invalidateCache();
    for (const std::string title : {"Nothing here", "Lonely", "   "}) {
        showTitle("Atlas");
        ASSERT_TRUE(engine.activeProactiveSuggestion().has_value());
        showTitle(title);
        EXPECT_FALSE(engine.activeProactiveSuggestion().has_value()) << title;
    }
}

TEST_F(ProactiveEngineTest, DisabledKeepsTheEarlierBriefing)
{
    buildAtlas();
    showTitle("Atlas");
    const auto briefing = engine.activeProactiveSuggestion();
    ASSERT_TRUE(briefing.has_value());
    defaults.set(ProactiveEngine::enabledKey, false);
    showTitle("Nothing here");
    EXPECT_EQ(engine.activeProactiveSuggestion(), briefing);
    defaults.set(ProactiveEngine::enabledKey, true);
    showTitle("Nothing here either");
    EXPECT_FALSE(engine.activeProactiveSuggestion().has_value());
}

TEST_F(ProactiveEngineTest, RejectedProjectsAreSuppressedUntilReset)
{
    buildAtlas();
    Log::Capture log;
    for (int i = 0; i < 5; ++i) {
        engine.recordRejection("atlas");
    }
    EXPECT_TRUE(log.contains("📉 Proactive confidence decreased for project_atlas: -5"));
    showTitle("Atlas");
    EXPECT_TRUE(engine.activeProactiveSuggestion().has_value());  // -5 passes

    engine.recordRejection("atlas");
    showTitle("atlas");
    EXPECT_FALSE(engine.activeProactiveSuggestion().has_value());
    EXPECT_TRUE(log.contains("🚫 Proactive Suggestion Suppressed for Project: Atlas due to low score."));

    engine.resetFeedbackWeights();
    EXPECT_TRUE(log.contains("🔄 Proactive feedback scoring weights reset to default."));
    EXPECT_TRUE(defaults.dictionaryForKey(ProactiveEngine::confidenceKey).has_value());
    showTitle("Atlas");
    EXPECT_TRUE(engine.activeProactiveSuggestion().has_value());

    engine.recordAcceptance("atlas");
    EXPECT_TRUE(log.contains("📈 Proactive confidence increased for project_atlas: 1"));
}

TEST_F(ProactiveEngineTest, AMalformedScoreIsDroppedAlone)
{
    buildAtlas();
    defaults.set(ProactiveEngine::confidenceKey,
                 DefaultsValue(DefaultsValue::Dictionary{{"project_atlas", DefaultsValue(-9)},
                                                         {"project_other", DefaultsValue("high")}}));
    showTitle("Atlas");
    EXPECT_FALSE(engine.activeProactiveSuggestion().has_value());
    engine.recordAcceptance("other");
    const auto stored = defaults.dictionaryForKey(ProactiveEngine::confidenceKey);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored->at("project_atlas").get<std::int64_t>(), -9);
    EXPECT_EQ(*stored->at("project_other").get<std::int64_t>(), 1);
}

}  // namespace
}  // namespace qm::test
