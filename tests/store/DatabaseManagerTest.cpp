#include "store/DatabaseManagerTest.h"

#include "base/Log.h"
#include "platform/storage/UserDefaults.h"
#include "store/SyncCountingVfs.h"

#include <atomic>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// name, type, notnull, default, pk
using Column = std::tuple<std::string, std::string, std::string, std::string, std::string>;

struct TableSchema {
    std::string table;
    std::vector<Column> columns;
};

const std::vector<TableSchema> kSchema = {
    {"rules_config",
     {{"id", "TEXT", "0", "", "1"},
      {"name", "TEXT", "1", "", "0"},
      {"pattern", "TEXT", "1", "", "0"},
      {"category", "TEXT", "1", "", "0"},
      {"description", "TEXT", "1", "", "0"},
      {"severity", "TEXT", "1", "", "0"},
      {"is_enabled", "INTEGER", "0", "1", "0"}}},
    {"captured_texts",
     {{"id", "INTEGER", "0", "", "1"},
      {"raw_text", "TEXT", "1", "", "0"},
      {"app_bundle_id", "TEXT", "1", "", "0"},
      {"domain", "TEXT", "0", "", "0"},
      {"timestamp", "REAL", "1", "", "0"}}},
    {"skeletons",
     {{"id", "INTEGER", "0", "", "1"},
      {"raw_text_id", "INTEGER", "1", "", "0"},
      {"skeleton_text", "TEXT", "1", "", "0"},
      {"occurrence_count", "INTEGER", "0", "1", "0"},
      {"last_seen", "REAL", "1", "", "0"}}},
    {"exclusion_list",
     {{"id", "TEXT", "0", "", "1"}, {"category", "TEXT", "1", "", "0"}, {"reasoning", "TEXT", "0", "", "0"}}},
    {"field_memory",
     {{"id", "INTEGER", "0", "", "1"},
      {"field_context", "TEXT", "1", "", "0"},
      {"app_bundle_id", "TEXT", "1", "", "0"},
      {"domain", "TEXT", "0", "", "0"},
      {"field_label", "TEXT", "0", "", "0"},
      {"value_hash", "TEXT", "1", "", "0"},
      {"value_encrypted", "TEXT", "1", "", "0"},
      {"frequency", "INTEGER", "0", "1", "0"},
      {"last_used", "REAL", "1", "", "0"}}},
    {"mcp_context",
     {{"id", "INTEGER", "0", "", "1"},
      {"project", "TEXT", "0", "", "0"},
      {"topic", "TEXT", "0", "", "0"},
      {"related_notes", "TEXT", "0", "", "0"},
      {"active_decision", "TEXT", "0", "", "0"},
      {"metadata", "TEXT", "0", "", "0"},
      {"timestamp", "REAL", "1", "", "0"}}},
    {"mcp_knowledge",
     {{"id", "INTEGER", "0", "", "1"},
      {"key", "TEXT", "1", "", "0"},
      {"value_encrypted", "TEXT", "1", "", "0"},
      {"context", "TEXT", "1", "", "0"},
      {"tags", "TEXT", "0", "", "0"},
      {"timestamp", "REAL", "1", "", "0"}}},
    {"kg_nodes",
     {{"id", "TEXT", "0", "", "1"},
      {"type", "TEXT", "1", "", "0"},
      {"name", "TEXT", "1", "", "0"},
      {"properties", "TEXT", "0", "", "0"},
      {"created_at", "REAL", "1", "", "0"},
      {"updated_at", "REAL", "1", "", "0"}}},
    {"kg_edges",
     {{"id", "TEXT", "0", "", "1"},
      {"source", "TEXT", "1", "", "0"},
      {"target", "TEXT", "1", "", "0"},
      {"relationship", "TEXT", "1", "", "0"},
      {"properties", "TEXT", "0", "", "0"},
      {"created_at", "REAL", "1", "", "0"}}},
    {"sync_metadata",
     {{"key", "TEXT", "0", "", "1"}, {"value", "TEXT", "1", "", "0"}, {"updated_at", "REAL", "1", "", "0"}}},
};

TEST_F(DatabaseManagerTest, CreatesTheTenTablesInOrderWithExactColumns)
{
    std::vector<std::string> tables;
    for (const auto& row : db->executeQuery("SELECT name FROM sqlite_master WHERE type = 'table' AND name != "
                                            "'sqlite_sequence' ORDER BY rowid;")) {
        tables.push_back(row.at("name"));
    }
    std::vector<std::string> expectedTables;
    for (const auto& schema : kSchema) {
        expectedTables.push_back(schema.table);
    }
    EXPECT_EQ(tables, expectedTables);

    for (const auto& schema : kSchema) {
        SCOPED_TRACE(schema.table);
        std::vector<Column> columns;
        for (const auto& row : db->executeQuery("PRAGMA table_info(" + schema.table + ");")) {
            columns.emplace_back(row.at("name"), row.at("type"), row.at("notnull"), row.at("dflt_value"),
                                 row.at("pk"));
        }
        EXPECT_EQ(columns, schema.columns);
    }

    EXPECT_EQ(scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL;"), "0");
}

TEST_F(DatabaseManagerTest, DeclaresTheForeignAndUniqueKeys)
{
    auto foreignKeys = [&](const std::string& table) {
        std::set<std::string> keys;
        for (const auto& row : db->executeQuery("PRAGMA foreign_key_list(" + table + ");")) {
            keys.insert(row.at("from") + "->" + row.at("table") + "." + row.at("to") + " " +
                        row.at("on_delete"));
        }
        return keys;
    };
    EXPECT_EQ(foreignKeys("skeletons"), (std::set<std::string>{"raw_text_id->captured_texts.id CASCADE"}));
    EXPECT_EQ(foreignKeys("kg_edges"),
              (std::set<std::string>{"source->kg_nodes.id CASCADE", "target->kg_nodes.id CASCADE"}));

    auto uniqueKeys = [&](const std::string& table) {
        std::vector<std::string> keys;
        for (const auto& index : db->executeQuery("PRAGMA index_list(" + table + ");")) {
            if (index.at("unique") != "1" || index.at("origin") != "u") {
                continue;
            }
            std::string columns;
            for (const auto& column : db->executeQuery("PRAGMA index_info(" + index.at("name") + ");")) {
                columns += (columns.empty() ? "" : ",") + column.at("name");
            }
            keys.push_back(columns);
        }
        return keys;
    };
    EXPECT_THAT(uniqueKeys("field_memory"),
                ElementsAre("field_context,app_bundle_id,domain,field_label,value_hash"));
    EXPECT_THAT(uniqueKeys("mcp_knowledge"), ElementsAre("key"));
}

TEST_F(DatabaseManagerTest, OpensTheFileInTheAppFolderWithForeignKeysAndBusyTimeout)
{
    Log::Capture capture;
    db.reset();
    db = open();

    EXPECT_TRUE(std::filesystem::is_regular_file(databaseFile()));
    EXPECT_TRUE(capture.contains("📁 QuillmarkerRules.db Path: " + databaseFile().string()));
    EXPECT_EQ(scalar("PRAGMA foreign_keys;"), "1");
    EXPECT_EQ(scalar("PRAGMA busy_timeout;"), "5000");
    EXPECT_EQ(db->executeQuery("PRAGMA database_list;").front().at("file"), databaseFile().string());
}

TEST_F(DatabaseManagerTest, SeedsTheEighteenRulesAndSevenExclusions)
{
    Log::Capture capture;
    TempDir freshDir;
    DatabaseManager fresh(clock, freshDir.path(), defaults);

    std::vector<std::string> seeded;
    for (const auto& line : capture.lines()) {
        if (line.rfind("✅ Seeded Rule: ", 0) == 0) {
            seeded.push_back(line);
        }
    }
    std::vector<std::string> expected;
    for (int i = 1; i <= 18; ++i) {
        expected.push_back(fmt::format("✅ Seeded Rule: M{:03}", i));
    }
    EXPECT_EQ(seeded, expected);

    auto rules = fresh.fetchRulesConfig();
    ASSERT_EQ(rules.size(), 18u);
    std::map<std::string, DatabaseManager::Row> byId;
    for (const auto& rule : rules) {
        EXPECT_EQ(rule.at("is_enabled"), "1");
        byId[rule.at("id")] = rule;
    }
    EXPECT_EQ(byId.at("M001").at("pattern"), R"(\b([a-zA-Z]+)\s+\1\b)");
    EXPECT_EQ(byId.at("M016").at("pattern"), "\\bssh-keygen\\b.*\\b-N\\s*\"\"");
    EXPECT_EQ(byId.at("M017").at("pattern"),
              R"(\baws\s+.*\b--aws-access-key-id\s+\S+|--aws-secret-access-key\s+\S+)");
    EXPECT_EQ(byId.at("M013").at("pattern"), R"(\bkubectl\s+delete\s+\w+\s+\S+\b(?!.*\s+--namespace))");
    EXPECT_EQ(byId.at("M015"),
              (DatabaseManager::Row{
                  {"id", "M015"},
                  {"name", "Git Force Push"},
                  {"pattern", R"(\bgit\s+push\s+.*\b(?:main|master)\b.*\b(?:-f|--force)\b)"},
                  {"category", "devops"},
                  {"description", "Force-pushing directly to a protected branch (main/master) is "
                                  "highly dangerous."},
                  {"severity", "critical"},
                  {"is_enabled", "1"},
              }));

    EXPECT_THAT(
        fresh.fetchExclusionDetails(),
        ElementsAre(DatabaseManager::Row{{"id", "com.apple.keychainaccess"},
                                         {"category", "app"},
                                         {"reasoning", "System Keychain Utility"}},
                    DatabaseManager::Row{{"id", "com.1password.1password"},
                                         {"category", "app"},
                                         {"reasoning", "1Password Desktop App"}},
                    DatabaseManager::Row{{"id", "com.bitwarden.desktop"},
                                         {"category", "app"},
                                         {"reasoning", "Bitwarden Desktop client"}},
                    DatabaseManager::Row{{"id", "org.keepassxc.keepassxc"},
                                         {"category", "app"},
                                         {"reasoning", "KeePassXC Password Vault"}},
                    DatabaseManager::Row{{"id", "com.dashlane.dashlanedesktop"},
                                         {"category", "app"},
                                         {"reasoning", "Dashlane Client"}},
                    DatabaseManager::Row{
                        {"id", "com.lastpass.LastPass"}, {"category", "app"}, {"reasoning", "LastPass app"}},
                    DatabaseManager::Row{
                        {"id", "com.msecure.maccore"}, {"category", "app"}, {"reasoning", "mSecure Vault"}}));
}

TEST_F(DatabaseManagerTest, SecondStartSeedsOnlyMissingRowsAndKeepsUserChanges)
{
    {
        Log::Capture capture;
        restart();
        EXPECT_EQ(capture.count("✅ Seeded Rule: "), 0u);
    }
    EXPECT_EQ(count("rules_config"), 18);
    EXPECT_EQ(count("exclusion_list"), 7);

    ASSERT_TRUE(db->updateRuleEnabled("M002", false));
    ASSERT_TRUE(db->executeNonQueryWithParams("DELETE FROM rules_config WHERE id = ?;", {"M007"}));
    ASSERT_TRUE(db->deleteExclusion("com.bitwarden.desktop"));
    ASSERT_TRUE(db->addExclusion("com.lastpass.LastPass", "custom", "changed by the user"));
    ASSERT_EQ(count("exclusion_list"), 6);

    Log::Capture capture;
    restart();

    std::vector<std::string> seeded;
    for (const auto& line : capture.lines()) {
        if (line.find("Seeded") != std::string::npos) {
            seeded.push_back(line);
        }
    }
    EXPECT_THAT(seeded, ElementsAre("✅ Seeded Rule: M007"));
    EXPECT_EQ(count("rules_config"), 18);
    EXPECT_EQ(scalar("SELECT is_enabled FROM rules_config WHERE id = 'M002';"), "0");
    EXPECT_EQ(scalar("SELECT is_enabled FROM rules_config WHERE id = 'M007';"), "1");
    EXPECT_EQ(scalar("SELECT reasoning FROM exclusion_list WHERE id = 'com.bitwarden.desktop';"),
              "Bitwarden Desktop client");
    EXPECT_EQ(
        scalar("SELECT category || '/' || reasoning FROM exclusion_list WHERE id = 'com.lastpass.LastPass';"),
        "custom/changed by the user");
}

// A first start writes the schema and the seed in a commit each, not one
// synced commit per table and row.
TEST_F(DatabaseManagerTest, FirstStartWritesTheSchemaAndTheSeedInACommitEach)
{
    TempDir freshDir;
    SyncCountingVfs syncs;
    {
        DatabaseManager fresh(clock, freshDir.path(), defaults);
        EXPECT_EQ(fresh.fetchRulesConfig().size(), 18u);
        EXPECT_EQ(fresh.fetchExclusionList().size(), 7u);
    }
    EXPECT_GT(syncs.databaseSyncs(), 0);  // the counter sees the connection
    EXPECT_LE(syncs.databaseSyncs(), 2);
}

// A rule whose insert fails is not reported as seeded; the others still are,
// and the failure is logged.
TEST_F(DatabaseManagerTest, OnlyStoredRulesAreReportedSeeded)
{
    TempDir freshDir;
    const auto file = freshDir / "com.quillmarker.app" / "QuillmarkerRules.db";
    std::filesystem::create_directories(file.parent_path());
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
        const char* schema =
            "CREATE TABLE rules_config (id TEXT PRIMARY KEY, name TEXT NOT NULL, pattern TEXT NOT NULL, "
            "category TEXT NOT NULL, description TEXT NOT NULL, severity TEXT NOT NULL, is_enabled INTEGER "
            "DEFAULT 1);"
            "CREATE TRIGGER refuse_m003 BEFORE INSERT ON rules_config WHEN NEW.id = 'M003' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;";
        EXPECT_EQ(sqlite3_exec(raw, schema, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }

    Log::Capture capture;
    DatabaseManager fresh(clock, freshDir.path(), defaults);

    EXPECT_EQ(capture.count("✅ Seeded Rule: "), 17u);
    EXPECT_FALSE(capture.contains("✅ Seeded Rule: M003"));
    EXPECT_TRUE(capture.contains("✅ Seeded Rule: M004"));
    EXPECT_TRUE(capture.contains("❌ SQLite NonQuery with Params Error: refused"));
    std::set<std::string> stored;
    for (const auto& rule : fresh.fetchRulesConfig()) {
        stored.insert(rule.at("id"));
    }
    EXPECT_EQ(stored.size(), 17u);
    EXPECT_EQ(stored.count("M003"), 0u);
}

TEST_F(DatabaseManagerTest, ExecuteQueryReadsEveryColumnAsText)
{
    Log::Capture capture;
    auto rows =
        db->executeQuery("SELECT NULL AS missing, 1.5 AS half, 2.0 AS whole, 1e20 AS big, 7 AS seven, "
                         "'it''s' AS quoted, 1 AS twice, 2 AS twice;");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (DatabaseManager::Row{{"missing", ""},
                                             {"half", "1.5"},
                                             {"whole", "2.0"},
                                             {"big", "1.0e+20"},
                                             {"seven", "7"},
                                             {"quoted", "it's"},
                                             {"twice", "2"}}));

    EXPECT_THAT(db->executeQuery("SELECT id FROM rules_config WHERE id = 'none';"), IsEmpty());
    EXPECT_THAT(capture.lines(), IsEmpty());

    EXPECT_THAT(db->executeQuery("SELECT * FROM nowhere;"), IsEmpty());
    EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Query Error: no such table: nowhere"));
}

TEST_F(DatabaseManagerTest, ExecuteNonQueryRunsSeveralStatementsAndLogsFailures)
{
    EXPECT_TRUE(db->executeNonQuery("CREATE TABLE extra (a TEXT); INSERT INTO extra VALUES ('x'); "
                                    "INSERT INTO extra VALUES ('y');"));
    EXPECT_EQ(count("extra"), 2);

    Log::Capture capture;
    EXPECT_FALSE(db->executeNonQuery("DELETE FROM nowhere;"));
    EXPECT_THAT(capture.lines(),
                ElementsAre("❌ SQLite NonQuery Error: no such table: nowhere (sql: DELETE FROM "
                            "nowhere;)"));

    // The statement text in the line stops after 120 characters, not bytes.
    capture.clear();
    const std::string prefix = "INSERT INTO nowhere VALUES ('";
    std::string accents;
    for (int i = 0; i < 200; ++i) {
        accents += "é";
    }
    EXPECT_FALSE(db->executeNonQuery(prefix + accents + "');"));
    std::string first120 = prefix;
    for (std::size_t i = prefix.size(); i < 120; ++i) {
        first120 += "é";
    }
    EXPECT_THAT(capture.lines(),
                ElementsAre("❌ SQLite NonQuery Error: no such table: nowhere (sql: " + first120 + ")"));
}

TEST_F(DatabaseManagerTest, ExecuteNonQueryWithParamsBindsTextAndReportsFailures)
{
    struct Case {
        std::string name;
        std::string sql;
        std::vector<std::string> args;
        bool stored;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"binds quotes as data",
         "INSERT INTO exclusion_list (id, category, reasoning) VALUES (?, ?, ?);",
         {"x'); DROP TABLE rules_config; --", "app", "\"quoted\""},
         true,
         {}},
        {"missing argument is NULL",
         "INSERT INTO exclusion_list (id, category, reasoning) VALUES (?, ?, ?);",
         {"only.id"},
         false,
         {"❌ SQLite NonQuery with Params Error: NOT NULL constraint failed: exclusion_list.category"}},
        {"constraint failure",
         "INSERT INTO exclusion_list (id, category) VALUES (?, ?);",
         {"com.apple.keychainaccess", "app"},
         false,
         {"❌ SQLite NonQuery with Params Error: UNIQUE constraint failed: exclusion_list.id"}},
        {"prepare failure",
         "INSERT INTO nowhere VALUES (?);",
         {"a"},
         false,
         {"❌ SQLite Error Prepare: no such table: nowhere"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Log::Capture capture;
        EXPECT_EQ(db->executeNonQueryWithParams(c.sql, c.args), c.stored);
        EXPECT_EQ(capture.lines(), c.lines);
    }
    EXPECT_EQ(count("rules_config"), 18);
    EXPECT_EQ(scalar("SELECT reasoning FROM exclusion_list WHERE id = 'x''); DROP TABLE rules_config; --';"),
              "\"quoted\"");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM exclusion_list WHERE id = 'only.id';"), "0");
}

TEST_F(DatabaseManagerTest, PerformRawHandsTheConnectionToABlockOnTheQueue)
{
    std::thread::id blockThread;
    sqlite3* handle = nullptr;
    db->performRaw([&](sqlite3* raw) {
        blockThread = std::this_thread::get_id();
        handle = raw;
        sqlite3_exec(raw, "CREATE TABLE capture_history (id INTEGER PRIMARY KEY, text TEXT);", nullptr,
                     nullptr, nullptr);
    });
    EXPECT_NE(blockThread, std::this_thread::get_id());
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(count("capture_history"), 0);
}

TEST_F(DatabaseManagerTest, AnAsynchronousInsertIsVisibleToTheNextRead)
{
    auto stored = db->insertCapturedTextAsync("git status", "com.apple.Terminal", std::nullopt);
    EXPECT_EQ(count("captured_texts"), 1);
    EXPECT_TRUE(stored.get());
}

TEST_F(DatabaseManagerTest, CallsFromManyThreadsAllLand)
{
    constexpr int kThreads = 4;
    constexpr int kInserts = 10;
    std::vector<std::thread> threads;
    std::vector<std::vector<std::int64_t>> ids(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kInserts; ++i) {
                ids[t].push_back(db->insertCapturedText(fmt::format("line {} {}", t, i), "com.example", "d"));
                db->insertFieldMemory("email", "com.example", std::nullopt, std::nullopt, "hash", "box");
                db->fetchRulesConfig();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::set<std::int64_t> unique;
    for (const auto& list : ids) {
        unique.insert(list.begin(), list.end());
    }
    EXPECT_EQ(unique.size(), static_cast<std::size_t>(kThreads * kInserts));
    EXPECT_EQ(unique.count(-1), 0u);
    EXPECT_EQ(count("captured_texts"), kThreads * kInserts);
    EXPECT_EQ(scalar("SELECT frequency FROM field_memory;"), std::to_string(kThreads * kInserts));
}

TEST_F(DatabaseManagerTest, AnUnopenableFileFallsBackToMemoryAndStillAnswers)
{
    db.reset();
    std::filesystem::remove(databaseFile());
    std::filesystem::create_directory(databaseFile());

    Log::Capture capture;
    db = open();
    EXPECT_TRUE(capture.contains("📁 QuillmarkerRules.db Path: " + databaseFile().string()));
    EXPECT_EQ(capture.count("❌ SQLite Error: Failed to open QuillmarkerRules.db. Falling back to in-memory "
                            "database."),
              1u);
    EXPECT_EQ(capture.count("✅ Seeded Rule: "), 18u);

    EXPECT_EQ(db->fetchRulesConfig().size(), 18u);
    EXPECT_EQ(db->fetchExclusionList().size(), 7u);
    EXPECT_EQ(scalar("PRAGMA foreign_keys;"), "1");
    const auto rawId = db->insertCapturedText("kubectl get pods", "com.apple.Terminal", std::nullopt);
    EXPECT_GT(rawId, 0);
    EXPECT_GT(db->insertSkeleton(rawId, "kubectl get {}"), 0);
    EXPECT_TRUE(db->insertFieldMemory("email", "com.example", "example.com", "Email", "h", "box").get());
    EXPECT_EQ(db->fetchFieldMemory("email", "com.example", "example.com").size(), 1u);
    EXPECT_TRUE(db->saveNode("n1", "person", "Ada", {}, 1, 2));
    EXPECT_EQ(db->fetchNodes().size(), 1u);
    EXPECT_TRUE(db->saveSyncMetadata("k", "v"));
    EXPECT_EQ(db->fetchSyncMetadata("k"), "v");
    EXPECT_EQ(db->executeQuery("PRAGMA database_list;").front().at("file"), "");
    EXPECT_TRUE(std::filesystem::is_directory(databaseFile()));
}

TEST(DatabaseManagerWithoutFolderTest, NoApplicationSupportFolderGivesEmptyResultsWithoutCrashing)
{
    TempDir dir;
    SimClock clock;
    UserDefaults defaults("");
    Log::Capture capture;
    DatabaseManager db(clock, std::nullopt, defaults);
    EXPECT_EQ(capture.count("❌ SQLite Error: Application support directory not found."), 1u);
    EXPECT_EQ(capture.count("📁"), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    std::optional<sqlite3*> handle;
    db.performRaw([&](sqlite3* raw) { handle = raw; });
    EXPECT_EQ(handle, std::optional<sqlite3*>(nullptr));

    capture.clear();
    EXPECT_THAT(db.executeQuery("SELECT 1;"), IsEmpty());
    EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Query Error: no database connection"));
    EXPECT_FALSE(db.executeNonQuery("DELETE FROM skeletons;"));
    EXPECT_FALSE(db.executeNonQueryWithParams("DELETE FROM skeletons WHERE id = ?;", {"1"}));

    EXPECT_FALSE(db.insertFieldMemory("email", "app", std::nullopt, std::nullopt, "h", "v").get());
    EXPECT_THAT(db.fetchFieldMemory("email", "app", std::nullopt), IsEmpty());
    EXPECT_THAT(db.fetchAllFieldMemories(), IsEmpty());
    EXPECT_FALSE(db.deleteFieldMemory("1"));
    EXPECT_FALSE(db.purgeOldFieldMemory());
    EXPECT_FALSE(db.updateMCPContext("p", std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    EXPECT_EQ(db.fetchMCPContext(), std::nullopt);
    EXPECT_FALSE(db.insertMCPKnowledge("k", "v", "c", std::nullopt));
    EXPECT_THAT(db.fetchAllMCPKnowledge(), IsEmpty());
    EXPECT_FALSE(db.saveNode("n", "person", "Ada", {}, 1, 1));
    EXPECT_FALSE(db.saveEdge("e", "n", "n", "knows", {}, 1));
    EXPECT_FALSE(db.deleteNode("n"));
    EXPECT_FALSE(db.deleteEdge("e"));
    EXPECT_THAT(db.fetchNodes(), IsEmpty());
    EXPECT_THAT(db.fetchEdges(), IsEmpty());
    EXPECT_FALSE(db.clearKnowledgeGraph());
    EXPECT_FALSE(db.saveSyncMetadata("k", "v"));
    EXPECT_EQ(db.fetchSyncMetadata("k"), std::nullopt);
    EXPECT_FALSE(db.insertCapturedTextAsync("t", "app", std::nullopt).get());
    EXPECT_EQ(db.insertCapturedText("t", "app", std::nullopt), -1);
    EXPECT_EQ(db.insertSkeleton(1, "s"), -1);
    EXPECT_FALSE(db.incrementSkeletonCount(1));
    EXPECT_FALSE(db.deleteSkeleton(1));
    EXPECT_THAT(db.fetchAllSkeletons(), IsEmpty());
    EXPECT_THAT(db.fetchActiveTemplates("com.apple.Terminal"), IsEmpty());
    EXPECT_THAT(db.fetchDiscoveredSkeletons(), IsEmpty());
    EXPECT_FALSE(db.clearAllHistory());
    EXPECT_THAT(db.fetchExclusionList(), IsEmpty());
    EXPECT_THAT(db.fetchExclusionDetails(), IsEmpty());
    EXPECT_FALSE(db.addExclusion("a", "app", "r"));
    EXPECT_FALSE(db.deleteExclusion("a"));
    EXPECT_THAT(db.fetchRulesConfig(), IsEmpty());
    EXPECT_FALSE(db.updateRuleEnabled("M001", false));
}

// Writes on a database whose tables are gone answer false or -1, so that a
// caller never reports success for a value that was not stored.
TEST_F(DatabaseManagerTest, WritesThatFailReportIt)
{
    ASSERT_TRUE(
        db->executeNonQuery("DROP TABLE skeletons; DROP TABLE kg_edges; DROP TABLE kg_nodes; "
                            "DROP TABLE captured_texts; DROP TABLE field_memory; DROP TABLE mcp_context; "
                            "DROP TABLE mcp_knowledge; DROP TABLE sync_metadata; DROP TABLE exclusion_list; "
                            "DROP TABLE rules_config;"));
    const std::vector<std::pair<std::string, std::function<bool()>>> writes = {
        {"insertFieldMemory", [&] { return db->insertFieldMemory("e", "a", "d", "l", "h", "v").get(); }},
        {"deleteFieldMemory", [&] { return db->deleteFieldMemory("1"); }},
        {"purgeOldFieldMemory", [&] { return db->purgeOldFieldMemory(); }},
        {"updateMCPContext", [&] { return db->updateMCPContext("p", "t", "r", "a", "m"); }},
        {"insertMCPKnowledge", [&] { return db->insertMCPKnowledge("k", "v", "c", "t"); }},
        {"saveNode", [&] { return db->saveNode("n", "person", "Ada", {}, 1, 1); }},
        {"saveEdge", [&] { return db->saveEdge("e", "n", "n", "knows", {}, 1); }},
        {"deleteNode", [&] { return db->deleteNode("n"); }},
        {"deleteEdge", [&] { return db->deleteEdge("e"); }},
        {"clearKnowledgeGraph", [&] { return db->clearKnowledgeGraph(); }},
        {"saveSyncMetadata", [&] { return db->saveSyncMetadata("k", "v"); }},
        {"insertCapturedTextAsync",
         [&] { return db->insertCapturedTextAsync("t", "a", std::nullopt).get(); }},
        {"insertCapturedText", [&] { return db->insertCapturedText("t", "a", std::nullopt) != -1; }},
        {"insertSkeleton", [&] { return db->insertSkeleton(1, "s") != -1; }},
        {"incrementSkeletonCount", [&] { return db->incrementSkeletonCount(1); }},
        {"deleteSkeleton", [&] { return db->deleteSkeleton(1); }},
        {"clearAllHistory", [&] { return db->clearAllHistory(); }},
        {"addExclusion", [&] { return db->addExclusion("a", "app", "r"); }},
        {"deleteExclusion", [&] { return db->deleteExclusion("a"); }},
        {"updateRuleEnabled", [&] { return db->updateRuleEnabled("M001", true); }},
    };
    for (const auto& [name, write] : writes) {
        EXPECT_FALSE(write()) << name;
    }
}

}  // namespace
}  // namespace qm::test
