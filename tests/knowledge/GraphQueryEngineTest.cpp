#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeDatabaseTest.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

std::vector<std::string> idsOf(const std::vector<EntityNode>& nodes)
{
    std::vector<std::string> ids;
    for (const auto& node : nodes) {
        ids.push_back(node.id());
    }
    return ids;
}

class GraphQueryEngineTest : public KnowledgeDatabaseTest {
protected:
    void node(const std::string& id, const std::string& type, const std::string& name = "")
    {
        ASSERT_TRUE(db->saveNode(id, type, name.empty() ? id : name, {}, 1, 1));
    }

    void edge(const std::string& source, const std::string& target,
              const std::string& relationship = "related_to")
    {
        ASSERT_TRUE(db->saveEdge(source + "-" + target + "-" + std::to_string(++edges), source, target,
                                 relationship, {}, 1));
    }

    // Ada works on the app, which uses git and is about storage; Bob works on it too.
    void buildProject()
    {
        node("ada", "person");
        node("bob", "person");
        node("app", "project");
        node("git", "tool");
        node("storage", "topic");
        node("d1", "decision");
        edge("ada", "app", "works_on");
        edge("app", "git", "uses");
        edge("storage", "app");
        edge("bob", "app", "works_on");
        edge("d1", "app");
    }

    int edges = 0;
    GraphQueryEngine engine{*db, clock};
};

TEST_F(GraphQueryEngineTest, TheCopyIsReloadedAtTheFirstQueryTwoSecondsAfterTheLastReload)
{
    EXPECT_THAT(engine.searchEntities(""), IsEmpty());
    EXPECT_EQ(db->nodeReads, 1);

    node("ada", "person");
    clock.advance(1.999);
    EXPECT_THAT(engine.searchEntities(""), IsEmpty()) << "still the old copy";
    EXPECT_THAT(engine.getRelatedEntities("ada"), IsEmpty());
    EXPECT_EQ(db->nodeReads, 1);

    clock.advance(0.001);
    EXPECT_THAT(idsOf(engine.searchEntities("")), ElementsAre("ada"));
    EXPECT_EQ(db->nodeReads, 2);

    // Invalidation reloads at the next query, however young the copy.
    node("bob", "person");
    engine.invalidateCache();
    EXPECT_EQ(db->nodeReads, 2) << "invalidating reads nothing by itself";
    EXPECT_THAT(idsOf(engine.searchEntities("")), ElementsAre("ada", "bob"));
    EXPECT_EQ(db->nodeReads, 3);
    EXPECT_THAT(idsOf(engine.searchEntities("")), ElementsAre("ada", "bob"));
    EXPECT_EQ(db->nodeReads, 3);

    // A clock set back does not keep the copy fresh until it catches up.
    node("cy", "person");
    clock.advance(-3600);
    EXPECT_THAT(idsOf(engine.searchEntities("")), ElementsAre("ada", "bob", "cy"));
    EXPECT_EQ(db->nodeReads, 4);
}

TEST_F(GraphQueryEngineTest, TheWalkIsBreadthFirstInNeighbourOrderWithoutTheStart)
{
    buildProject();
    EXPECT_THAT(idsOf(engine.getRelatedEntities("ada", 2)),
                ElementsAre("app", "git", "storage", "bob", "d1"));
    EXPECT_THAT(idsOf(engine.getRelatedEntities("ada", 1)), ElementsAre("app"));
    EXPECT_THAT(idsOf(engine.getRelatedEntities("ada")), ElementsAre("app", "git", "storage", "bob", "d1"));
    EXPECT_THAT(engine.getRelatedEntities("ada", 0), IsEmpty());
    EXPECT_THAT(engine.getRelatedEntities("ada", -1), IsEmpty());
    EXPECT_THAT(engine.getRelatedEntities("nobody"), IsEmpty());

    EXPECT_THAT(idsOf(engine.getProjectsForPerson("ada")), ElementsAre("app"));
    EXPECT_THAT(idsOf(engine.getTopicsForProject("app")), ElementsAre("storage"));
    EXPECT_THAT(idsOf(engine.getRecentDecisions("app")), ElementsAre("d1"));
    EXPECT_THAT(idsOf(engine.getRecentDecisions("ada")), ElementsAre("d1"));
}

TEST_F(GraphQueryEngineTest, ParallelEdgesAndSkippedNodesNeitherRepeatNorHideNodes)
{
    buildProject();
    // A second edge each way between ada and the app, and a self-edge.
    edge("ada", "app", "reviews");
    edge("app", "ada", "owned_by");
    edge("ada", "ada", "self");
    // A row of no known kind: left out of the copy, its edges still link.
    ASSERT_TRUE(
        db->executeNonQuery("INSERT INTO kg_nodes (id, type, name, properties, created_at, updated_at) "
                            "VALUES ('odd', 'Widget', 'odd one', '{}', 1, 1);"));
    node("far", "topic");
    edge("ada", "odd");
    edge("odd", "far");

    EXPECT_THAT(idsOf(engine.getRelatedEntities("ada", 2)),
                ElementsAre("app", "git", "storage", "bob", "d1", "far"));
    EXPECT_THAT(idsOf(engine.searchEntities("odd")), IsEmpty());
    EXPECT_THAT(engine.getRelatedEntities("odd"), IsEmpty()) << "no node, no walk";

    // Deleting a node takes its edges with it.
    ASSERT_TRUE(db->deleteNode("app"));
    engine.invalidateCache();
    EXPECT_THAT(idsOf(engine.getRelatedEntities("ada", 2)), ElementsAre("far"));
}

TEST_F(GraphQueryEngineTest, SearchMatchesNameOrIdIgnoringCase)
{
    node("/home/ada/src/quillmarker", "project", "quillmarker");
    node("ada@example.com", "person", "Ada Lovelace");
    node("topic_road_map", "topic", "Road Map");

    EXPECT_EQ(engine.searchEntities("").size(), 3u);
    EXPECT_THAT(idsOf(engine.searchEntities("LOVELACE")), ElementsAre("ada@example.com"));
    EXPECT_THAT(idsOf(engine.searchEntities("src/quill")), ElementsAre("/home/ada/src/quillmarker"));
    EXPECT_THAT(idsOf(engine.searchEntities("ada")),
                UnorderedElementsAre("/home/ada/src/quillmarker", "ada@example.com"));
    // Not trimmed: a blank is a real query.
    EXPECT_THAT(idsOf(engine.searchEntities(" ")), UnorderedElementsAre("ada@example.com", "topic_road_map"));
    EXPECT_THAT(engine.searchEntities("nothing like it"), IsEmpty());

    const auto found = engine.searchEntities("road");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], EntityNode("topic_road_map", EntityType::topic, "Road Map", {}, 1, 1));
}

}  // namespace
}  // namespace qm::test
