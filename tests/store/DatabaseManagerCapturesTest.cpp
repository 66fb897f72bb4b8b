#include "store/DatabaseManagerTest.h"

#include "base/Log.h"
#include "store/StoreDefaultsKeys.h"

#include <gmock/gmock.h>

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using Row = DatabaseManager::Row;

constexpr double kDay = 86'400;

class DatabaseManagerCapturesTest : public DatabaseManagerTest {
protected:
    // A captured line and its skeleton seen `occurrences` times, the last time now.
    std::int64_t skeletonSeen(int occurrences, const std::string& app = "com.apple.Terminal")
    {
        const auto rawId = db->insertCapturedText("git push origin main", app, std::nullopt);
        const auto skeletonId = db->insertSkeleton(rawId, "git push origin {}");
        for (int i = 1; i < occurrences; ++i) {
            db->incrementSkeletonCount(skeletonId);
        }
        return skeletonId;
    }

    std::vector<std::string> templateIds(const std::string& app)
    {
        std::vector<std::string> ids;
        for (const auto& row : db->fetchActiveTemplates(app)) {
            ids.push_back(row.at("id"));
        }
        return ids;
    }
};

TEST_F(DatabaseManagerCapturesTest, InsertsCapturedTextsWithTheirTime)
{
    clock.set(1'700'000'000.5);
    EXPECT_EQ(db->insertCapturedText("first", "com.apple.Terminal", std::nullopt), 1);
    EXPECT_EQ(db->insertCapturedText("second", "com.apple.Safari", "example.com"), 2);
    EXPECT_TRUE(db->insertCapturedTextAsync("third", "com.apple.Notes", "notes.local").get());

    EXPECT_THAT(db->executeQuery("SELECT * FROM captured_texts;"),
                ElementsAre(Row{{"id", "1"},
                                {"raw_text", "first"},
                                {"app_bundle_id", "com.apple.Terminal"},
                                {"domain", ""},
                                {"timestamp", "1700000000.5"}},
                            Row{{"id", "2"},
                                {"raw_text", "second"},
                                {"app_bundle_id", "com.apple.Safari"},
                                {"domain", "example.com"},
                                {"timestamp", "1700000000.5"}},
                            Row{{"id", "3"},
                                {"raw_text", "third"},
                                {"app_bundle_id", "com.apple.Notes"},
                                {"domain", "notes.local"},
                                {"timestamp", "1700000000.5"}}));
    EXPECT_EQ(scalar("SELECT typeof(domain) FROM captured_texts WHERE id = 1;"), "null");
}

TEST_F(DatabaseManagerCapturesTest, FailedCapturedTextInsertsReportIt)
{
    failInsertsInto("captured_texts");
    Log::Capture capture;
    EXPECT_EQ(db->insertCapturedText("t", "app", std::nullopt), -1);
    EXPECT_THAT(capture.lines(), IsEmpty());
    EXPECT_FALSE(db->insertCapturedTextAsync("t", "app", std::nullopt).get());
    EXPECT_THAT(capture.lines(), ElementsAre("❌ SQLite Error: Failed to insert captured text."));
    EXPECT_EQ(count("captured_texts"), 0);
}

TEST_F(DatabaseManagerCapturesTest, ASkeletonNeedsAStoredCapturedText)
{
    Log::Capture capture;
    EXPECT_EQ(db->insertSkeleton(42, "orphan"), -1);
    EXPECT_THAT(capture.lines(), IsEmpty());

    clock.set(5000.0);
    const auto rawId = db->insertCapturedText("ls -la", "com.apple.Terminal", std::nullopt);
    EXPECT_EQ(db->insertSkeleton(rawId, "ls {}"), 1);
    EXPECT_THAT(db->fetchAllSkeletons(), ElementsAre(Row{{"id", "1"},
                                                         {"raw_text_id", std::to_string(rawId)},
                                                         {"skeleton_text", "ls {}"},
                                                         {"occurrence_count", "1"},
                                                         {"last_seen", "5000.0"}}));
}

TEST_F(DatabaseManagerCapturesTest, RawTextIdsBeyond32BitsKeepPointingAtTheirText)
{
    ASSERT_TRUE(db->executeNonQuery("INSERT INTO captured_texts (id, raw_text, app_bundle_id, timestamp) "
                                    "VALUES (5, 'low', 'app', 1), (4294967301, 'high', 'app', 1);"));
    const auto skeletonId = db->insertSkeleton(4'294'967'301LL, "high {}");
    ASSERT_GT(skeletonId, 0);
    EXPECT_EQ(scalar("SELECT raw_text_id FROM skeletons;"), "4294967301");
    EXPECT_EQ(db->fetchDiscoveredSkeletons().at(0).at("raw_text"), "high");
}

TEST_F(DatabaseManagerCapturesTest, IncrementCountsAndRenewsLastSeen)
{
    clock.set(1000.0);
    const auto id = skeletonSeen(1);
    clock.set(2000.25);
    EXPECT_TRUE(db->incrementSkeletonCount(id));
    EXPECT_EQ(scalar("SELECT occurrence_count || ' ' || last_seen FROM skeletons;"), "2 2000.25");
    EXPECT_EQ(scalar("SELECT typeof(occurrence_count) || ' ' || typeof(last_seen) FROM skeletons;"),
              "integer real");

    EXPECT_TRUE(db->incrementSkeletonCount(999));
    EXPECT_TRUE(db->deleteSkeleton(id));
    EXPECT_THAT(db->fetchAllSkeletons(), IsEmpty());
}

TEST_F(DatabaseManagerCapturesTest, TemplatesNeedTheApplicationsRepetitionThreshold)
{
    struct Case {
        const char* name;
        std::string app;
        DefaultsValue::Dictionary stored;
        int occurrences;
        bool isTemplate;
    };
    const std::vector<Case> cases = {
        {"terminal at 2", "com.apple.Terminal", {}, 2, true},
        {"terminal at 1", "com.apple.Terminal", {}, 1, false},
        {"iTerm casing", "com.googlecode.iTerm2", {}, 2, true},
        {"upper-case ITERM", "COM.ITERM.APP", {}, 2, true},
        {"terminal inside a name", "org.gnome.TerminalEmulator", {}, 2, true},
        {"general at 2", "com.apple.TextEdit", {}, 2, false},
        {"general at 3", "com.apple.TextEdit", {}, 3, true},
        {"general threshold 1",
         "com.apple.TextEdit",
         {{StoreDefaultsKeys::repetitionThresholdGeneral, 1}},
         1,
         true},
        {"general threshold leaves terminals",
         "com.apple.Terminal",
         {{StoreDefaultsKeys::repetitionThresholdGeneral, 1}},
         1,
         false},
        {"terminal threshold 4",
         "com.apple.Terminal",
         {{StoreDefaultsKeys::repetitionThresholdTerminal, 4}},
         3,
         false},
        {"terminal threshold 4 met",
         "com.apple.Terminal",
         {{StoreDefaultsKeys::repetitionThresholdTerminal, 4}},
         4,
         true},
        {"text is not an integer",
         "com.apple.TextEdit",
         {{StoreDefaultsKeys::repetitionThresholdGeneral, "1"}},
         2,
         false},
        {"double is not an integer",
         "com.apple.TextEdit",
         {{StoreDefaultsKeys::repetitionThresholdGeneral, 1.0}},
         2,
         false},
        {"Boolean is not an integer",
         "com.apple.Terminal",
         {{StoreDefaultsKeys::repetitionThresholdTerminal, true}},
         1,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(db->clearAllHistory());
        defaults.removeObjectForKey(StoreDefaultsKeys::repetitionThresholdGeneral);
        defaults.removeObjectForKey(StoreDefaultsKeys::repetitionThresholdTerminal);
        for (const auto& [key, value] : c.stored) {
            defaults.set(key, value);
        }
        const auto id = skeletonSeen(c.occurrences, c.app);
        const auto ids = templateIds(c.app);
        if (c.isTemplate) {
            EXPECT_THAT(ids, ElementsAre(std::to_string(id)));
        } else {
            EXPECT_THAT(ids, IsEmpty());
        }
    }
}

TEST_F(DatabaseManagerCapturesTest, TemplatesAreSkeletonsSeenWithinThirtyDays)
{
    const double now = 1'700'000'000.5;
    clock.set(now - 30 * kDay - 0.25);
    skeletonSeen(10);
    clock.set(now - 30 * kDay);
    const auto atCutoff = skeletonSeen(2);
    clock.set(now);

    auto rows = db->fetchActiveTemplates("com.apple.Terminal");
    EXPECT_THAT(rows, ElementsAre(Row{{"id", std::to_string(atCutoff)},
                                      {"skeleton_text", "git push origin {}"},
                                      {"occurrence_count", "2"},
                                      {"last_seen", "1697408000.5"},
                                      {"raw_text", "git push origin main"}}));
}

TEST_F(DatabaseManagerCapturesTest, DiscoveredSkeletonsComeMostFrequentFirst)
{
    const auto once = skeletonSeen(1);
    const auto thrice = skeletonSeen(3);
    const auto twice = skeletonSeen(2);
    std::vector<std::string> order;
    for (const auto& row : db->fetchDiscoveredSkeletons()) {
        order.push_back(row.at("id") + ":" + row.at("occurrence_count"));
    }
    EXPECT_THAT(order, ElementsAre(std::to_string(thrice) + ":3", std::to_string(twice) + ":2",
                                   std::to_string(once) + ":1"));
}

TEST_F(DatabaseManagerCapturesTest, DeletingACapturedTextOrHistoryRemovesItsSkeletons)
{
    skeletonSeen(1);
    const auto kept = skeletonSeen(1);
    ASSERT_TRUE(db->executeNonQuery("DELETE FROM captured_texts WHERE id = 1;"));
    EXPECT_THAT(db->fetchAllSkeletons(),
                ElementsAre(testing::Contains(
                    std::pair<const std::string, std::string>("id", std::to_string(kept)))));

    ASSERT_TRUE(db->insertFieldMemory("email", "app", std::nullopt, std::nullopt, "h", "v").get());
    ASSERT_TRUE(db->updateMCPContext("p", std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    ASSERT_TRUE(db->insertMCPKnowledge("k", "v", "c", std::nullopt));
    ASSERT_TRUE(db->saveNode("n", "person", "Ada", {}, 1, 1));
    ASSERT_TRUE(db->saveSyncMetadata("k", "v"));
    ASSERT_TRUE(db->executeNonQuery("CREATE TABLE capture_history (id INTEGER PRIMARY KEY, text TEXT);"
                                    "INSERT INTO capture_history (text) VALUES ('kept');"));

    EXPECT_TRUE(db->clearAllHistory());
    for (const char* emptied : {"skeletons", "captured_texts", "field_memory"}) {
        EXPECT_EQ(count(emptied), 0) << emptied;
    }
    for (const char* kept :
         {"mcp_context", "mcp_knowledge", "kg_nodes", "sync_metadata", "capture_history"}) {
        EXPECT_EQ(count(kept), 1) << kept;
    }
    EXPECT_EQ(count("rules_config"), 18);
    EXPECT_EQ(count("exclusion_list"), 7);
}

TEST_F(DatabaseManagerCapturesTest, ExclusionsCanBeReplacedDeletedAndListed)
{
    EXPECT_THAT(db->fetchExclusionList(),
                UnorderedElementsAre("com.apple.keychainaccess", "com.1password.1password",
                                     "com.bitwarden.desktop", "org.keepassxc.keepassxc",
                                     "com.dashlane.dashlanedesktop", "com.lastpass.LastPass",
                                     "com.msecure.maccore"));

    EXPECT_TRUE(db->addExclusion("com.1password.1password", "vault", "Moved by the user"));
    EXPECT_TRUE(db->addExclusion("com.example.bank", "app", "Banking"));
    EXPECT_TRUE(db->deleteExclusion("com.apple.keychainaccess"));
    EXPECT_TRUE(db->deleteExclusion("not.there"));
    ASSERT_TRUE(
        db->executeNonQuery("INSERT INTO exclusion_list (id, category) VALUES ('com.no.reason', 'app');"));

    std::map<std::string, Row> details;
    for (const auto& row : db->fetchExclusionDetails()) {
        details[row.at("id")] = row;
    }
    EXPECT_EQ(details.size(), 8u);
    EXPECT_EQ(details.count("com.apple.keychainaccess"), 0u);
    EXPECT_EQ(
        details.at("com.1password.1password"),
        (Row{{"id", "com.1password.1password"}, {"category", "vault"}, {"reasoning", "Moved by the user"}}));
    EXPECT_EQ(details.at("com.no.reason"),
              (Row{{"id", "com.no.reason"}, {"category", "app"}, {"reasoning", ""}}));
}

TEST_F(DatabaseManagerCapturesTest, RulesCanBeSwitchedOffAndOn)
{
    EXPECT_TRUE(db->updateRuleEnabled("M004", false));
    EXPECT_EQ(scalar("SELECT is_enabled FROM rules_config WHERE id = 'M004';"), "0");
    EXPECT_TRUE(db->updateRuleEnabled("M004", true));
    EXPECT_EQ(scalar("SELECT is_enabled FROM rules_config WHERE id = 'M004';"), "1");

    const auto before = db->fetchRulesConfig();
    Log::Capture capture;
    EXPECT_TRUE(db->updateRuleEnabled("M999", false));
    EXPECT_THAT(capture.lines(), IsEmpty());
    EXPECT_EQ(db->fetchRulesConfig(), before);
}

}  // namespace
}  // namespace qm::test
