#include "app/LazyProactiveEngine.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <gmock/gmock.h>

#include "base/Log.h"
#include "knowledge/ContextTransitionDetector.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeDatabaseTest.h"
#include "knowledge/KnowledgeGraphEngine.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/ProactiveEngine.h"
#include "platform/sim/accessibility/SimElement.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimApplication.h"

namespace qm::test {
namespace {

using ::testing::HasSubstr;

constexpr const char* kTransition = "Context Transition Detected";

// The briefing's engine as the assistant holds it, on the stand-in desktop:
// an editor in front whose window is titled after a project of the graph.
class LazyProactiveEngineTest : public KnowledgeDatabaseTest {
protected:
    LazyProactiveEngineTest()
    {
        EXPECT_TRUE(db->saveNode("atlas", "project", "Atlas", {}, 1, 1));
        EXPECT_TRUE(db->saveNode("k1", "tool", "git", {}, 1, 1));
        EXPECT_TRUE(db->saveEdge("atlas-k1", "atlas", "k1", "related_to", {}, 1));
        query.invalidateCache();
        editor.activate();
        loop.runUntilIdle();
    }

    // The first read, as the suggestion provider makes it: from its own thread.
    std::optional<std::string> readFromAnotherThread()
    {
        std::optional<std::string> briefing;
        std::thread reader([&] { briefing = lazy->activeProactiveSuggestion(); });
        reader.join();
        return briefing;
    }

    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    SimApplication editor = desktop.addApplication("com.example.editor", "Editor");
    SimElement window = editor.addWindow("Atlas");
    GraphQueryEngine query{*db, clock};
    KnowledgeGraphEngine graph{*db, clock, "/home"};
    MCPHubManager hub{query, clock};
    std::unique_ptr<LazyProactiveEngine> lazy =
        std::make_unique<LazyProactiveEngine>(LazyProactiveEngine::Services{
            .workspace = desktop.workspace(),
            .accessibility = desktop.accessibility(),
            .mainLoop = loop,
            .clock = clock,
            .graphEngine = graph,
            .graphQuery = query,
            .hub = hub,
            .defaults = defaults,
        });
};

// Nothing watches the context before the first read; that read answers "no
// briefing" and has the engine made on the main loop, whose detector's first
// poll then briefs on the window in front.
TEST_F(LazyProactiveEngineTest, TheFirstReadStartsContextWatchingOnTheMainLoop)
{
    Log::Capture log;
    editor.activate();
    loop.advance(5 * ContextTransitionDetector::pollInterval);
    EXPECT_FALSE(log.contains(kTransition)) << "nothing watches before the first read";
    EXPECT_EQ(lazy->engineIfMade(), nullptr);

    EXPECT_EQ(readFromAnotherThread(), std::nullopt);
    EXPECT_EQ(lazy->engineIfMade(), nullptr) << "made on the main loop, not on the reader's thread";
    loop.runUntilIdle();
    ASSERT_NE(lazy->engineIfMade(), nullptr);

    loop.advance(ContextTransitionDetector::pollInterval);
    EXPECT_EQ(log.count(kTransition), 1u);
    const auto briefing = readFromAnotherThread();
    ASSERT_TRUE(briefing);
    EXPECT_THAT(*briefing, HasSubstr("Atlas"));
    EXPECT_EQ(lazy->engineIfMade(), &lazy->engine()) << "made once";
}

// On the main thread the first read makes the engine at once.
TEST_F(LazyProactiveEngineTest, AFirstReadOnTheMainThreadMakesTheEngineAtOnce)
{
    EXPECT_EQ(lazy->activeProactiveSuggestion(), std::nullopt);
    EXPECT_NE(lazy->engineIfMade(), nullptr);
    EXPECT_EQ(loop.pendingCount(), 1u) << "only the detector's poll waits";
}

// Gone before the main loop got to the making: the posted block finds it
// gone and touches nothing, and no poll is left running.
TEST_F(LazyProactiveEngineTest, GoneBeforeTheMainLoopMadeItNothingIsMade)
{
    Log::Capture log;
    EXPECT_EQ(readFromAnotherThread(), std::nullopt);
    lazy.reset();
    loop.runUntilIdle();
    loop.advance(3 * ContextTransitionDetector::pollInterval);
    EXPECT_FALSE(log.contains(kTransition));
    EXPECT_EQ(loop.pendingCount(), 0u);
}

}  // namespace
}  // namespace qm::test
