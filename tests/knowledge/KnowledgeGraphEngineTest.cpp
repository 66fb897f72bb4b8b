#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "base/Log.h"
#include "knowledge/KnowledgeDatabaseTest.h"
#include "knowledge/KnowledgeGraphEngine.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

class KnowledgeGraphEngineTest : public KnowledgeDatabaseTest {
protected:
    // Waits for every pass and push submitted so far.
    void flush()
    {
        engine.reset();
        engine = makeEngine();
    }

    std::unique_ptr<KnowledgeGraphEngine> makeEngine()
    {
        return std::make_unique<KnowledgeGraphEngine>(*db, clock, homes.string());
    }

    // The stored nodes by id.
    std::map<std::string, DatabaseManager::GraphRecord> nodes()
    {
        std::map<std::string, DatabaseManager::GraphRecord> byId;
        for (auto& row : db->fetchNodes()) {
            byId.emplace(std::get<std::string>(row.at("id")), row);
        }
        return byId;
    }

    static std::string text(const DatabaseManager::GraphRecord& row, const std::string& key)
    {
        return std::get<std::string>(row.at(key));
    }

    static double time(const DatabaseManager::GraphRecord& row, const std::string& key)
    {
        return std::get<double>(row.at(key));
    }

    bool pushNode(const EntityNode& node)
    {
        std::promise<bool> stored;
        engine->pushProgrammaticNode(node, [&](bool ok) { stored.set_value(ok); });
        return stored.get_future().get();
    }

    bool pushEdge(const RelationshipEdge& edge)
    {
        std::promise<bool> stored;
        engine->pushProgrammaticEdge(edge, [&](bool ok) { stored.set_value(ok); });
        return stored.get_future().get();
    }

    const std::filesystem::path homes = dir / "homes";
    std::unique_ptr<KnowledgeGraphEngine> engine = makeEngine();
};

struct ExtractionCase {
    const char* name;
    std::string text;
    std::string app;
    std::optional<std::string> domain;
    std::vector<std::string> nodeIds;  // decision ids as "decision_*"
    std::vector<std::string> edgeIds;
};

TEST_F(KnowledgeGraphEngineTest, ExtractsEachKindWithItsIdsAndEdges)
{
    const std::vector<ExtractionCase> cases = {
        {"addresses are lower-cased; one without a dotted domain is none",
         "Mail from Ada.Lovelace@Example.COM and bob@localhost",
         "com.apple.mail",
         std::nullopt,
         {"ada.lovelace@example.com"},
         {}},
        {"a decision ends at the full stop; a short one after 'decision:' is none",
         "We DECIDED TO ship on Friday. decision: ok",
         "com.apple.notes",
         std::nullopt,
         {"decision_*"},
         {}},
        {"tools are found inside longer words, in list order",
         "Digital pipeline for Kubectl and nothing else",
         "com.example.app",
         std::nullopt,
         {"git", "pip", "kubectl"},
         {}},
        {"wiki links are trimmed; a hashtag needs three characters",
         "[[ Road Map ]] #ab #release-2",
         "com.example.app",
         std::nullopt,
         {"topic_road_map", "topic_release-2"},
         {}},
        {"a domain is the project when no folder is found",
         "Quarterly docs",
         "com.google.Chrome",
         "docs.google.com",
         {"domain_docs_google_com"},
         {}},
        {"with a project every finding is linked to it",
         "ada@example.com decided to use redis-cli here. [[Topic]]",
         "com.google.Chrome",
         "a.b.c",
         {"domain_a_b_c", "ada@example.com", "decision_*", "redis-cli", "topic_topic"},
         {"ada@example.com_domain_a_b_c_works_on", "decision_*_domain_a_b_c_related_to",
          "domain_a_b_c_redis-cli_uses", "topic_topic_domain_a_b_c_related_to"}},
        {"blank text schedules nothing", " \n\t ", "com.googlecode.iterm2", "a.b", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(db->clearKnowledgeGraph());
        engine->ingestCapturedText(c.text, c.app, c.domain);
        flush();
        std::vector<::testing::Matcher<std::string>> expectedNodes;
        for (const auto& id : c.nodeIds) {
            expectedNodes.push_back(id.find('*') == std::string::npos ? ::testing::Matcher<std::string>(id)
                                                                      : MatchesRegex("decision_[0-9A-F]{8}"));
        }
        std::vector<::testing::Matcher<std::string>> expectedEdges;
        for (const auto& id : c.edgeIds) {
            expectedEdges.push_back(id.find('*') == std::string::npos
                                        ? ::testing::Matcher<std::string>(id)
                                        : MatchesRegex("decision_[0-9A-F]{8}_domain_a_b_c_related_to"));
        }
        EXPECT_THAT(nodeIds(), UnorderedElementsAreArray(expectedNodes));
        EXPECT_THAT(edgeIds(), UnorderedElementsAreArray(expectedEdges));
    }
}

TEST_F(KnowledgeGraphEngineTest, StoresNamesPropertiesAndTheDirectionOfEachEdge)
{
    clock.set(1'750'000'000.5);
    engine->ingestCapturedText("Ada@Example.com: we decided on SQLite over files!\n#storage",
                               "com.google.Chrome", "docs.example.org");
    flush();
    const auto stored = nodes();
    ASSERT_EQ(stored.size(), 5u);  // project, person, decision, tool, topic

    const auto& project = stored.at("domain_docs_example_org");
    EXPECT_EQ(text(project, "type"), "project");
    EXPECT_EQ(text(project, "name"), "domain_docs_example_org");
    EXPECT_EQ(std::get<DatabaseManager::StringMap>(project.at("properties")),
              (DatabaseManager::StringMap{{"path", "domain_docs_example_org"}}));

    const auto& person = stored.at("ada@example.com");
    EXPECT_EQ(text(person, "type"), "person");
    EXPECT_EQ(text(person, "name"), "ada");
    EXPECT_EQ(std::get<DatabaseManager::StringMap>(person.at("properties")),
              (DatabaseManager::StringMap{{"email", "ada@example.com"}}));

    const auto decision = std::find_if(
        stored.begin(), stored.end(), [](const auto& entry) { return entry.first.starts_with("decision_"); });
    ASSERT_NE(decision, stored.end());
    EXPECT_EQ(text(decision->second, "name"), "SQLite over files");
    EXPECT_EQ(text(stored.at("sqlite"), "type"), "tool");
    EXPECT_EQ(text(stored.at("topic_storage"), "name"), "storage");
    for (const auto& [id, row] : stored) {
        EXPECT_EQ(time(row, "created_at"), 1'750'000'000.5) << id;
        EXPECT_EQ(time(row, "updated_at"), 1'750'000'000.5) << id;
    }

    std::map<std::string, std::pair<std::string, std::string>> ends;
    for (const auto& row : db->fetchEdges()) {
        ends[text(row, "relationship") + ":" + text(row, "source")] = {text(row, "source"),
                                                                       text(row, "target")};
    }
    EXPECT_EQ(ends.at("works_on:ada@example.com").second, "domain_docs_example_org");
    EXPECT_EQ(ends.at("related_to:" + decision->first).second, "domain_docs_example_org");
    EXPECT_EQ(ends.at("related_to:topic_storage").second, "domain_docs_example_org");
    // Tools hang off the project.
    EXPECT_EQ(ends.at("uses:domain_docs_example_org").second, "sqlite");
}

TEST_F(KnowledgeGraphEngineTest, AFolderInATerminalTitleIsTheProjectOnlyWhenItExists)
{
    const std::string path = (homes / "ada/src/app").string();
    engine->ingestCapturedText("ada — " + path + " — zsh", "com.googlecode.iterm2", std::nullopt);
    flush();
    EXPECT_FALSE(nodes().contains(path)) << "no such folder yet";
    EXPECT_THAT(edgeIds(), IsEmpty());

    std::filesystem::create_directories(path);
    // The application test is case-sensitive.
    engine->ingestCapturedText("ada — " + path + " — zsh", "com.apple.Terminal", std::nullopt);
    flush();
    EXPECT_FALSE(nodes().contains(path));

    for (const char* app : {"com.googlecode.iterm2", "com.apple.terminal", "com.microsoft.vscode"}) {
        ASSERT_TRUE(db->clearKnowledgeGraph());
        engine->ingestCapturedText("ada — " + path + "/ — zsh", app, "ignored.example.com");
        flush();
        const auto stored = nodes();
        ASSERT_TRUE(stored.contains(path + "/")) << app;
        const auto& project = stored.at(path + "/");
        EXPECT_EQ(text(project, "type"), "project");
        EXPECT_EQ(text(project, "name"), "app");
        EXPECT_EQ(std::get<DatabaseManager::StringMap>(project.at("properties")),
                  (DatabaseManager::StringMap{{"path", path + "/"}}));
        EXPECT_FALSE(stored.contains("domain_ignored_example_com"));
    }
}

TEST_F(KnowledgeGraphEngineTest, IngestingTheSameTitleTwiceRefreshesAllButDecisions)
{
    const std::string title = "ada@example.com decided to move to cargo workspaces. #build";
    clock.set(1000);
    engine->ingestCapturedText(title, "com.google.Chrome", "repo.example.com");
    flush();
    clock.set(2000);
    engine->ingestCapturedText(title, "com.google.Chrome", "repo.example.com");
    flush();

    std::size_t decisions = 0;
    for (const auto& [id, row] : nodes()) {
        if (id.starts_with("decision_")) {
            ++decisions;
            continue;
        }
        EXPECT_EQ(time(row, "created_at"), 1000) << id;
        EXPECT_EQ(time(row, "updated_at"), 2000) << id;
    }
    EXPECT_EQ(decisions, 2u);
    EXPECT_EQ(nodeIds().size(), 6u);  // project, person, cargo, topic, two decisions
    EXPECT_EQ(edgeIds().size(), 5u);  // works_on, uses, related_to of the topic and of each decision
}

TEST_F(KnowledgeGraphEngineTest, PushedRecordsAreUpsertedAndEdgesNeedTheirNodes)
{
    EXPECT_TRUE(pushNode(EntityNode("n1", EntityType::person, "Ada", {{"role", "author"}}, 10, 10)));
    EXPECT_TRUE(pushNode(EntityNode("n1", EntityType::project, "Ada Lovelace", {}, 20, 30)));
    const auto stored = nodes().at("n1");
    EXPECT_EQ(text(stored, "type"), "person");
    EXPECT_EQ(text(stored, "name"), "Ada Lovelace");
    EXPECT_EQ(time(stored, "created_at"), 10);
    EXPECT_EQ(time(stored, "updated_at"), 30);

    {
        Log::Capture log;
        EXPECT_FALSE(pushEdge(RelationshipEdge("e1", "ghost", "n1", "knows", {}, 5)));
        EXPECT_TRUE(log.contains("❌ SQLite Error Edge Save: FOREIGN KEY constraint failed"));
    }
    EXPECT_THAT(edgeIds(), IsEmpty());

    // Submitted in order, written in order: the edge finds the node pushed just before it.
    engine->pushProgrammaticNode(EntityNode("n2", EntityType::tool, "git", {}, 1, 1));
    EXPECT_TRUE(pushEdge(RelationshipEdge("e1", "n1", "n2", "uses", {{"since", "2020"}}, 5)));
    EXPECT_TRUE(pushEdge(RelationshipEdge("e1", "n2", "n1", "other", {{"since", "2021"}}, 9)));
    const auto edges = db->fetchEdges();
    ASSERT_EQ(edges.size(), 1u);
    EXPECT_EQ(text(edges[0], "source"), "n1");
    EXPECT_EQ(text(edges[0], "relationship"), "uses");
    EXPECT_EQ(std::get<DatabaseManager::StringMap>(edges[0].at("properties")),
              (DatabaseManager::StringMap{{"since", "2021"}}));

    ASSERT_TRUE(db->deleteNode("n2"));
    EXPECT_THAT(edgeIds(), IsEmpty());
    EXPECT_THAT(nodeIds(), ElementsAre("n1"));
}

}  // namespace
}  // namespace qm::test
