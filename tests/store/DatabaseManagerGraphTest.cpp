#include "store/DatabaseManagerTest.h"

#include "base/Log.h"

#include <gmock/gmock.h>

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using GraphRecord = DatabaseManager::GraphRecord;
using StringMap = DatabaseManager::StringMap;

class DatabaseManagerGraphTest : public DatabaseManagerTest {
protected:
    void saveNodes(std::initializer_list<const char*> ids)
    {
        for (const char* id : ids) {
            ASSERT_TRUE(db->saveNode(id, "person", id, {}, 1, 1));
        }
    }

    std::vector<std::string> edgeIds()
    {
        std::vector<std::string> ids;
        for (const auto& edge : db->fetchEdges()) {
            ids.push_back(std::get<std::string>(edge.at("id")));
        }
        return ids;
    }
};

TEST_F(DatabaseManagerGraphTest, NodesLoadAsTypedRecords)
{
    EXPECT_TRUE(
        db->saveNode("p1", "project", "Quillmarker", {{"repo", "main"}, {"lang", "C++"}}, 1000.5, 2000.25));
    EXPECT_THAT(db->fetchNodes(),
                ElementsAre(GraphRecord{{"id", std::string("p1")},
                                        {"type", std::string("project")},
                                        {"name", std::string("Quillmarker")},
                                        {"properties", StringMap{{"lang", "C++"}, {"repo", "main"}}},
                                        {"created_at", 1000.5},
                                        {"updated_at", 2000.25}}));
}

TEST_F(DatabaseManagerGraphTest, SavingANodeAgainKeepsItsTypeAndCreationTime)
{
    ASSERT_TRUE(db->saveNode("n1", "person", "Ada", {{"role", "author"}}, 10, 10));
    ASSERT_TRUE(db->saveNode("n1", "tool", "Ada Lovelace", {{"era", "1840s"}}, 20, 30));

    auto nodes = db->fetchNodes();
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0], (GraphRecord{{"id", std::string("n1")},
                                     {"type", std::string("person")},
                                     {"name", std::string("Ada Lovelace")},
                                     {"properties", StringMap{{"era", "1840s"}}},
                                     {"created_at", 10.0},
                                     {"updated_at", 30.0}}));
}

TEST_F(DatabaseManagerGraphTest, AnEdgeNeedsBothNodesAndOnlyItsPropertiesChangeLater)
{
    {
        Log::Capture capture;
        EXPECT_FALSE(db->saveEdge("e1", "a", "b", "knows", {}, 5));
        EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Error Edge Save: FOREIGN KEY constraint failed"));
        EXPECT_THAT(db->fetchEdges(), IsEmpty());
    }
    saveNodes({"a", "b", "c"});
    EXPECT_TRUE(db->saveEdge("e1", "a", "b", "knows", {{"since", "2020"}}, 5));
    EXPECT_TRUE(db->saveEdge("e1", "c", "a", "works_on", {{"since", "2021"}}, 9));

    EXPECT_THAT(db->fetchEdges(), ElementsAre(GraphRecord{{"id", std::string("e1")},
                                                          {"source", std::string("a")},
                                                          {"target", std::string("b")},
                                                          {"relationship", std::string("knows")},
                                                          {"properties", StringMap{{"since", "2021"}}},
                                                          {"created_at", 5.0}}));
    EXPECT_TRUE(db->deleteEdge("e1"));
    EXPECT_THAT(db->fetchEdges(), IsEmpty());
}

TEST_F(DatabaseManagerGraphTest, DeletingANodeRemovesItsEdgesAndClearEmptiesBoth)
{
    saveNodes({"a", "b", "c", "d"});
    ASSERT_TRUE(db->saveEdge("a-b", "a", "b", "knows", {}, 1));
    ASSERT_TRUE(db->saveEdge("c-a", "c", "a", "knows", {}, 1));
    ASSERT_TRUE(db->saveEdge("c-d", "c", "d", "knows", {}, 1));

    EXPECT_TRUE(db->deleteNode("a"));
    EXPECT_THAT(edgeIds(), ElementsAre("c-d"));
    EXPECT_EQ(db->fetchNodes().size(), 3u);

    EXPECT_TRUE(db->clearKnowledgeGraph());
    EXPECT_THAT(db->fetchNodes(), IsEmpty());
    EXPECT_THAT(db->fetchEdges(), IsEmpty());
}

TEST_F(DatabaseManagerGraphTest, PropertiesAreWrittenAsJsonObjects)
{
    struct Case {
        const char* name;
        StringMap properties;
        std::string stored;
    };
    const Case cases[] = {
        {"empty map", {}, "{}"},
        {"strings", {{"b", "2"}, {"a", "x \"quoted\""}}, R"({"a":"x \"quoted\"","b":"2"})"},
        {"not UTF-8", {{"bad", "\xff\xfe"}}, "{}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(db->saveNode("n", "topic", "T", c.properties, 1, 1));
        EXPECT_EQ(scalar("SELECT properties FROM kg_nodes WHERE id = 'n';"), c.stored);
        const StringMap expected = c.stored == "{}" ? StringMap{} : c.properties;
        EXPECT_EQ(std::get<StringMap>(db->fetchNodes().at(0).at("properties")), expected);
    }
}

TEST_F(DatabaseManagerGraphTest, StoredPropertiesThatAreNotAMapOfStringsLoadEmpty)
{
    struct Case {
        const char* name;
        const char* column;  // SQL literal
        std::optional<StringMap> loaded;
    };
    const Case cases[] = {
        {"map of strings", R"('{"k":"v"}')", StringMap{{"k", "v"}}},
        {"number value", R"('{"k":"v","n":1}')", StringMap{}},
        {"nested object", R"('{"k":{"x":"y"}}')", StringMap{}},
        {"array", R"('["a"]')", StringMap{}},
        {"not JSON", R"('not json')", StringMap{}},
        {"NULL", "NULL", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(db->executeNonQuery("DELETE FROM kg_nodes;"));
        ASSERT_TRUE(db->executeNonQuery(std::string("INSERT INTO kg_nodes VALUES ('n', 'topic', 'T', ") +
                                        c.column + ", 1, 2);"));
        ASSERT_TRUE(db->saveNode("m", "topic", "M", {}, 1, 1));
        ASSERT_TRUE(db->saveEdge("e", "n", "m", "mentions", {}, 1));
        ASSERT_TRUE(db->executeNonQuery(std::string("UPDATE kg_edges SET properties = ") + c.column + ";"));

        for (const auto& record : {db->fetchNodes().at(0), db->fetchEdges().at(0)}) {
            auto found = record.find("properties");
            if (c.loaded) {
                ASSERT_NE(found, record.end());
                EXPECT_EQ(std::get<StringMap>(found->second), *c.loaded);
            } else {
                EXPECT_EQ(found, record.end());
            }
        }
    }
}

TEST_F(DatabaseManagerGraphTest, AFailedNodeSaveIsLogged)
{
    failInsertsInto("kg_nodes", "read only");
    Log::Capture capture;
    EXPECT_FALSE(db->saveNode("n", "person", "Ada", {}, 1, 1));
    EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Error Node Save: read only"));
    EXPECT_THAT(db->fetchNodes(), IsEmpty());
}

TEST_F(DatabaseManagerGraphTest, SyncMetadataKeepsTheLastValuePerKey)
{
    EXPECT_EQ(db->fetchSyncMetadata("lastSync"), std::nullopt);

    clock.set(100.5);
    EXPECT_TRUE(db->saveSyncMetadata("lastSync", "one"));
    clock.set(200.5);
    EXPECT_TRUE(db->saveSyncMetadata("lastSync", "two"));
    EXPECT_EQ(db->fetchSyncMetadata("lastSync"), "two");
    EXPECT_THAT(
        db->executeQuery("SELECT key, value, updated_at FROM sync_metadata;"),
        ElementsAre(DatabaseManager::Row{{"key", "lastSync"}, {"value", "two"}, {"updated_at", "200.5"}}));

    failInsertsInto("sync_metadata", "locked");
    Log::Capture capture;
    EXPECT_FALSE(db->saveSyncMetadata("lastSync", "three"));
    EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Error Sync Metadata Save: locked"));
    EXPECT_EQ(db->fetchSyncMetadata("lastSync"), "two");
}

}  // namespace
}  // namespace qm::test
