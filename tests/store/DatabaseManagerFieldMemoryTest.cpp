#include "store/DatabaseManagerTest.h"

#include "base/Log.h"

#include <algorithm>
#include <tuple>

#include <gmock/gmock.h>

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Row = DatabaseManager::Row;
using OptionalText = std::optional<std::string>;

class DatabaseManagerFieldMemoryTest : public DatabaseManagerTest {
protected:
    bool learn(const std::string& hash, const OptionalText& domain = "example.com",
               const OptionalText& label = "Email", const std::string& box = "box")
    {
        return db->insertFieldMemory("email", "com.apple.Safari", domain, label, hash, box).get();
    }
};

// Learning the same value twice merges into one row, also when domain or label
// is NULL (a UNIQUE key alone would keep such rows apart).
TEST_F(DatabaseManagerFieldMemoryTest, LearningTheSameValueAgainMergesIntoOneRow)
{
    struct Case {
        const char* name;
        OptionalText domain;
        OptionalText label;
    };
    const Case cases[] = {
        {"domain and label", "example.com", "Email"},
        {"no domain", std::nullopt, "Email"},
        {"no label", "example.com", std::nullopt},
        {"neither", std::nullopt, std::nullopt},
        {"empty texts", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(db->executeNonQuery("DELETE FROM field_memory;"));
        clock.set(1'700'000'000.0);
        EXPECT_TRUE(learn("h1", c.domain, c.label, "first box"));
        clock.advance(60.5);
        EXPECT_TRUE(learn("h1", c.domain, c.label, "second box"));

        auto rows =
            db->executeQuery("SELECT frequency, last_used, value_encrypted, domain IS NULL AS no_domain, "
                             "field_label IS NULL AS no_label FROM field_memory;");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], (Row{{"frequency", "2"},
                                {"last_used", "1700000060.5"},
                                {"value_encrypted", "first box"},
                                {"no_domain", c.domain ? "0" : "1"},
                                {"no_label", c.label ? "0" : "1"}}));
    }
}

TEST_F(DatabaseManagerFieldMemoryTest, DifferentKeysStayApart)
{
    EXPECT_TRUE(learn("h1", std::nullopt, "Email"));
    EXPECT_TRUE(learn("h1", "", "Email"));
    EXPECT_TRUE(learn("h1", "example.com", "Email"));
    EXPECT_TRUE(learn("h1", "example.com", std::nullopt));
    EXPECT_TRUE(learn("h2", "example.com", "Email"));
    EXPECT_TRUE(db->insertFieldMemory("url", "com.apple.Safari", "example.com", "Email", "h1", "box").get());
    EXPECT_TRUE(db->insertFieldMemory("email", "com.other", "example.com", "Email", "h1", "box").get());
    EXPECT_EQ(count("field_memory"), 7);
    EXPECT_EQ(scalar("SELECT MAX(frequency) FROM field_memory;"), "1");
}

TEST_F(DatabaseManagerFieldMemoryTest, FetchGivesTheFiveMostFrequentThenMostRecent)
{
    // hash, times learned, time of the last learning
    const std::vector<std::tuple<std::string, int, double>> learned = {
        {"once-old", 1, 100},  {"thrice", 3, 200},   {"once-new", 1, 900}, {"twice-old", 2, 300},
        {"twice-new", 2, 800}, {"once-mid", 1, 500}, {"four", 4, 50},
    };
    for (const auto& [hash, times, at] : learned) {
        for (int i = 0; i < times; ++i) {
            clock.set(1'700'000'000.0 + at - (times - 1 - i));
            ASSERT_TRUE(
                learn(hash, "example.com", hash == "thrice" ? OptionalText() : OptionalText(hash), hash));
        }
    }

    auto rows = db->fetchFieldMemory("email", "com.apple.Safari", "example.com");
    EXPECT_THAT(rows, ElementsAre(Row{{"field_label", "four"},
                                      {"value_encrypted", "four"},
                                      {"frequency", "4"},
                                      {"last_used", "1700000050.0"}},
                                  Row{{"field_label", ""},
                                      {"value_encrypted", "thrice"},
                                      {"frequency", "3"},
                                      {"last_used", "1700000200.0"}},
                                  Row{{"field_label", "twice-new"},
                                      {"value_encrypted", "twice-new"},
                                      {"frequency", "2"},
                                      {"last_used", "1700000800.0"}},
                                  Row{{"field_label", "twice-old"},
                                      {"value_encrypted", "twice-old"},
                                      {"frequency", "2"},
                                      {"last_used", "1700000300.0"}},
                                  Row{{"field_label", "once-new"},
                                      {"value_encrypted", "once-new"},
                                      {"frequency", "1"},
                                      {"last_used", "1700000900.0"}}));
}

TEST_F(DatabaseManagerFieldMemoryTest, FetchFiltersByDomainOnlyWhenOneIsGiven)
{
    clock.set(1'700'000'000.25);
    ASSERT_TRUE(learn("a", "example.com", "Email", "a"));
    ASSERT_TRUE(learn("b", "other.org", "Email", "b"));
    ASSERT_TRUE(learn("c", std::nullopt, "Email", "c"));
    ASSERT_TRUE(db->insertFieldMemory("email", "com.other.app", "example.com", "Email", "d", "d").get());

    auto boxes = [](const DatabaseManager::Rows& rows) {
        std::vector<std::string> result;
        for (const auto& row : rows) {
            result.push_back(row.at("value_encrypted"));
        }
        std::sort(result.begin(), result.end());
        return result;
    };
    EXPECT_THAT(boxes(db->fetchFieldMemory("email", "com.apple.Safari", "example.com")), ElementsAre("a"));
    EXPECT_THAT(boxes(db->fetchFieldMemory("email", "com.apple.Safari", std::nullopt)),
                ElementsAre("a", "b", "c"));
    EXPECT_THAT(db->fetchFieldMemory("email", "com.apple.Safari", "none.net"), IsEmpty());
    EXPECT_EQ(db->fetchFieldMemory("email", "com.apple.Safari", "example.com").at(0).at("last_used"),
              "1700000000.25");
}

TEST_F(DatabaseManagerFieldMemoryTest, FetchAllListsRowsWithoutValuesNewestFirst)
{
    clock.set(1000.0);
    ASSERT_TRUE(learn("old", std::nullopt, std::nullopt));
    clock.set(2000.0);
    ASSERT_TRUE(learn("new"));

    EXPECT_THAT(db->fetchAllFieldMemories(), ElementsAre(Row{{"id", "2"},
                                                             {"field_context", "email"},
                                                             {"app_bundle_id", "com.apple.Safari"},
                                                             {"domain", "example.com"},
                                                             {"field_label", "Email"},
                                                             {"frequency", "1"},
                                                             {"last_used", "2000.0"}},
                                                         Row{{"id", "1"},
                                                             {"field_context", "email"},
                                                             {"app_bundle_id", "com.apple.Safari"},
                                                             {"domain", ""},
                                                             {"field_label", ""},
                                                             {"frequency", "1"},
                                                             {"last_used", "1000.0"}}));

    EXPECT_TRUE(db->deleteFieldMemory("2"));
    EXPECT_EQ(scalar("SELECT GROUP_CONCAT(id) FROM field_memory;"), "1");
}

TEST_F(DatabaseManagerFieldMemoryTest, PurgeKeepsRowsUsedAtOrAfterTheCutoff)
{
    const double now = 1'700'000'000.25;
    const double cutoff = now - 180 * 86'400.0;
    for (const auto& [hash, at] : std::vector<std::pair<std::string, double>>{
             {"before", cutoff - 0.25}, {"at", cutoff}, {"after", cutoff + 0.25}, {"today", now}}) {
        clock.set(at);
        ASSERT_TRUE(learn(hash, "example.com", hash));
    }
    clock.set(now);
    EXPECT_TRUE(db->purgeOldFieldMemory());
    EXPECT_EQ(
        scalar("SELECT GROUP_CONCAT(field_label) FROM (SELECT field_label FROM field_memory ORDER BY id);"),
        "at,after,today");

    EXPECT_TRUE(db->purgeOldFieldMemory(0));
    EXPECT_EQ(scalar("SELECT GROUP_CONCAT(field_label) FROM field_memory;"), "today");
}

TEST_F(DatabaseManagerFieldMemoryTest, FailuresPrintTheirLines)
{
    ASSERT_TRUE(learn("kept"));
    failInsertsInto("field_memory", "disk full");
    {
        Log::Capture capture;
        EXPECT_FALSE(learn("new"));
        EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Error Field Memory Insert: disk full"));
    }
    // A merge updates and never reaches the failing insert.
    EXPECT_TRUE(learn("kept"));
    EXPECT_EQ(scalar("SELECT frequency FROM field_memory;"), "2");

    ASSERT_TRUE(db->executeNonQuery("DROP TABLE field_memory;"));
    Log::Capture capture;
    EXPECT_FALSE(learn("gone"));
    EXPECT_THAT(db->fetchFieldMemory("email", "com.apple.Safari", std::nullopt), IsEmpty());
    EXPECT_THAT(capture.lines(),
                ElementsAre("❌ SQLite Error Field Memory Fetch: no such table: field_memory"));
}

TEST_F(DatabaseManagerFieldMemoryTest, MCPContextHoldsOnePushReplacedWhole)
{
    EXPECT_EQ(db->fetchMCPContext(), std::nullopt);

    clock.set(1'700'000'123.5);
    EXPECT_TRUE(db->updateMCPContext("Quillmarker", std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    EXPECT_EQ(db->fetchMCPContext(), (Row{{"project", "Quillmarker"},
                                          {"topic", ""},
                                          {"related_notes", ""},
                                          {"active_decision", ""},
                                          {"metadata", ""}}));
    EXPECT_EQ(scalar("SELECT timestamp FROM mcp_context;"), "1700000123.5");

    EXPECT_TRUE(db->updateMCPContext(std::nullopt, "storage", "a.md,b.md", "use SQLite", "{\"k\":\"v\"}"));
    EXPECT_EQ(db->fetchMCPContext(), (Row{{"project", ""},
                                          {"topic", "storage"},
                                          {"related_notes", "a.md,b.md"},
                                          {"active_decision", "use SQLite"},
                                          {"metadata", "{\"k\":\"v\"}"}}));
    EXPECT_EQ(scalar("SELECT GROUP_CONCAT(id) FROM mcp_context;"), "1");

    failInsertsInto("mcp_context");
    Log::Capture capture;
    EXPECT_FALSE(db->updateMCPContext("Other", std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Error: Failed to insert/replace MCP Context"));
    EXPECT_EQ(db->fetchMCPContext()->at("topic"), "storage");
}

TEST_F(DatabaseManagerFieldMemoryTest, MCPKnowledgeKeepsOneRowPerKey)
{
    EXPECT_TRUE(db->insertMCPKnowledge("deploy", "box-1", "ops", std::nullopt));
    EXPECT_TRUE(db->insertMCPKnowledge("style", "box-2", "writing", "tone,voice"));
    const std::string firstId = scalar("SELECT id FROM mcp_knowledge WHERE key = 'deploy';");
    EXPECT_TRUE(db->insertMCPKnowledge("deploy", "box-3", "ops", "prod"));

    EXPECT_THAT(
        db->fetchAllMCPKnowledge(),
        ElementsAre(
            Row{{"key", "style"},
                {"value_encrypted", "box-2"},
                {"context", "writing"},
                {"tags", "tone,voice"}},
            Row{{"key", "deploy"}, {"value_encrypted", "box-3"}, {"context", "ops"}, {"tags", "prod"}}));
    EXPECT_GT(std::stoll(scalar("SELECT id FROM mcp_knowledge WHERE key = 'deploy';")), std::stoll(firstId));

    EXPECT_TRUE(db->insertMCPKnowledge("untagged", "box-4", "misc", std::nullopt));
    EXPECT_EQ(db->fetchAllMCPKnowledge().back().at("tags"), "");

    failInsertsInto("mcp_knowledge");
    Log::Capture capture;
    EXPECT_FALSE(db->insertMCPKnowledge("style", "box-5", "writing", std::nullopt));
    EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Error: Failed to insert/replace MCP Knowledge"));
    EXPECT_EQ(scalar("SELECT value_encrypted FROM mcp_knowledge WHERE key = 'style';"), "box-2");
}

}  // namespace
}  // namespace qm::test
