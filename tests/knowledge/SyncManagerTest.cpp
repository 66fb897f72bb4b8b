#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "base/AesGcmError.h"
#include "base/Log.h"
#include "base/SecureRandom.h"
#include "knowledge/GraphPayloadTest.h"

namespace qm::test {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// Computed with Python's `cryptography` package: HKDF-SHA256 of "correct
// horse" with the salt 00…0f and info "quillmarker-sync-v2", AES-256-GCM under
// the nonce a0…ab, of the document
// {"edges":[],"exportedAt":1700000000.25,"nodes":[{"created_at":1.5,"id":"n1",
// "name":"Atlas","properties":{"k":"v"},"type":"project","updated_at":2.5}]}.
constexpr std::string_view kSyncAnswer =
    "000102030405060708090a0b0c0d0e0fa0a1a2a3a4a5a6a7a8a9aaabd4cd5026132fe6cd8dfb549ffb1ab0222d9413c3349bc069"
    "34"
    "c8c907612ce7f03b0a7f4946aa32f4e14407136cca4adcd151a613180d42daa3f01bac013b5d96baf1ba23ccaf41e4e59aee2301"
    "0"
    "95defa40960c530a6fb7c064fd047b7802fccf18afb46d8f6fc85df5a3e2274fe9b53ae384c13ec0863d9e558d4319974dfdb104"
    "1"
    "17cc8bd2be382c13176d5b13e37e2161cd4c89588da13e2060dcccca62d95e9446a1d3dc";

// The same tool: a box with no salt under SHA-256("correct horse"), nonce
// 30…3b, of {"nodes":[{"id":"legacy","type":"topic","name":"Old",
// "properties":{},"created_at":3,"updated_at":4}],"edges":[],"teamId":"team-a"}.
constexpr std::string_view kLegacyAnswer =
    "303132333435363738393a3b181ed2d048cb2243cfeb9ee967d1e7b365ad3ee1365c213788724e7238bb1f384dc8b51549bc0ffd"
    "16cb2cb71a78c5690cb1ef8ca42335ab5aa650e0a3447079e304fea1d562825389715035485141755da2ddb9c29f2f78718f0870"
    "8f6182cdd71a94610129b396965d863d54cf177ff811e64069093d3f7f54309f1382eb3bc77ef130e92b5677f827928a0b314d81"
    "e591";

constexpr std::string_view kMerged = "✅ Successfully decrypted and merged Zero-Knowledge sync graph payload.";

class SyncManagerTest : public GraphPayloadTest {
protected:
    void buildGraph()
    {
        ASSERT_TRUE(db->saveNode("ada", "person", "Ada", {{"email", "ada@example.com"}}, 10, 11));
        ASSERT_TRUE(db->saveNode("app", "project", "App", {}, 12.5, 13.75));
        ASSERT_TRUE(db->saveEdge("ada-app", "ada", "app", "works_on", {{"since", "2024"}}, 14));
        // A row written by an older version, with no properties at all.
        ASSERT_TRUE(db->executeNonQuery("INSERT INTO kg_nodes (id, type, name, properties, created_at, "
                                        "updated_at) VALUES ('bare', 'topic', 'Bare', NULL, 1, 2);"));
    }

    bool import(std::string_view payload, std::error_code& error, const std::string& passphrase = kPassphrase)
    {
        return sync->importEncryptedGraph(payload, passphrase, error);
    }
};

TEST_F(SyncManagerTest, RoundTripRestoresEveryRowAndRefreshesTheQueryEngine)
{
    buildGraph();
    sync = makeSync(SecureRandom::bytes);
    std::error_code error;
    const auto payload = sync->exportEncryptedGraph(kPassphrase, error);
    ASSERT_TRUE(payload) << error.message();
    const auto second = sync->exportEncryptedGraph(kPassphrase, error);
    ASSERT_TRUE(second);
    EXPECT_NE(payload->substr(0, 28), second->substr(0, 28)) << "salt and nonce are drawn afresh";
    EXPECT_EQ(payload->size(), 44 + openAs(SyncManager::kHkdfInfo, *payload).size());

    const auto nodesBefore = db->fetchNodes();
    const auto edgesBefore = db->fetchEdges();
    ASSERT_TRUE(db->clearKnowledgeGraph());
    EXPECT_THAT(queryEngine.searchEntities(""), IsEmpty());

    Log::Capture log;
    ASSERT_TRUE(import(*payload, error)) << error.message();
    finishMerges();
    // The row without properties comes back with an empty map.
    auto expectedNodes = nodesBefore;
    for (auto& row : expectedNodes) {
        row.try_emplace("properties", DatabaseManager::StringMap{});
    }
    EXPECT_EQ(db->fetchNodes(), expectedNodes);
    EXPECT_EQ(db->fetchEdges(), edgesBefore);
    EXPECT_EQ(log.count(kMerged), 1U);
    // Within the cache's lifetime, yet the import is seen.
    EXPECT_EQ(queryEngine.searchEntities("").size(), 3U);
}

TEST_F(SyncManagerTest, EmptyGraphRoundTripMergesNothingButStillFinishes)
{
    std::error_code error;
    const auto payload = sync->exportEncryptedGraph("", error);
    ASSERT_TRUE(payload) << error.message();
    EXPECT_EQ(openAs(SyncManager::kHkdfInfo, *payload, ""),
              R"({"edges":[],"exportedAt":1700000000.25,"nodes":[]})");
    const int readsBefore = db->nodeReads;
    queryEngine.searchEntities("");
    Log::Capture log;
    ASSERT_TRUE(import(*payload, error, "")) << error.message();
    finishMerges();
    queryEngine.searchEntities("");
    EXPECT_EQ(db->nodeReads, readsBefore + 2) << "one read for the first query, one after the merge";
    EXPECT_THAT(nodeIds(), IsEmpty());
    EXPECT_EQ(log.count(kMerged), 1U);
}

TEST_F(SyncManagerTest, ExportMatchesTheKnownAnswer)
{
    ASSERT_TRUE(db->saveNode("n1", "project", "Atlas", {{"k", "v"}}, 1.5, 2.5));
    std::error_code error;
    const auto payload = sync->exportEncryptedGraph(kPassphrase, error);
    ASSERT_TRUE(payload) << error.message();
    EXPECT_EQ(*payload, fromHex(kSyncAnswer));
}

TEST_F(SyncManagerTest, ImportsPayloadsSealedElsewhereIncludingTheLegacyForm)
{
    std::error_code error;
    ASSERT_TRUE(import(fromHex(kSyncAnswer), error)) << error.message();
    ASSERT_TRUE(import(fromHex(kLegacyAnswer), error)) << error.message();
    finishMerges();
    EXPECT_THAT(nodeIds(), UnorderedElementsAre("legacy", "n1"));
    EXPECT_EQ(propertiesOf("n1"), (DatabaseManager::StringMap{{"k", "v"}}));
    EXPECT_THAT(propertiesOf("legacy"), IsEmpty()) << "the whole-graph import ignores teamId";
}

// Every damaged or wrongly keyed payload ends in the cipher's error and leaves
// the graph as it was.
TEST_F(SyncManagerTest, UnopenablePayloadsReportTheCipherErrorAndChangeNothing)
{
    buildGraph();
    const std::string good = fromHex(kSyncAnswer);
    struct Case {
        std::string name;
        std::string payload;
        std::string passphrase;
        AesGcmError expected;
    };
    std::vector<Case> cases = {
        {"wrong passphrase", good, "correct horse battery", AesGcmError::authenticationFailure},
        {"trailing space", good, kPassphrase + " ", AesGcmError::authenticationFailure},
        {"empty", "", kPassphrase, AesGcmError::incorrectParameterSize},
        {"salt only", good.substr(0, 16), kPassphrase, AesGcmError::incorrectParameterSize},
        {"salt and a byte", good.substr(0, 17), kPassphrase, AesGcmError::incorrectParameterSize},
        {"one short of a legacy box", good.substr(0, 27), kPassphrase, AesGcmError::incorrectParameterSize},
        {"a legacy box's length", good.substr(0, 28), kPassphrase, AesGcmError::authenticationFailure},
        {"no room for a salted box", good.substr(0, 43), kPassphrase, AesGcmError::authenticationFailure},
        {"last byte cut", good.substr(0, good.size() - 1), kPassphrase, AesGcmError::authenticationFailure},
        {"byte appended", good + "x", kPassphrase, AesGcmError::authenticationFailure},
    };
    for (const std::size_t offset : {std::size_t{0}, std::size_t{15}, std::size_t{16}, std::size_t{27},
                                     std::size_t{28}, good.size() - 17, good.size() - 1}) {
        std::string tampered = good;
        tampered[offset] = static_cast<char>(tampered[offset] ^ 0x01);
        cases.push_back({"bit flipped at " + std::to_string(offset), tampered, kPassphrase,
                         AesGcmError::authenticationFailure});
    }
    const auto nodesBefore = db->fetchNodes();
    Log::Capture log;
    for (const auto& c : cases) {
        std::error_code error;
        EXPECT_FALSE(import(c.payload, error, c.passphrase)) << c.name;
        EXPECT_EQ(error, make_error_code(c.expected)) << c.name << ": " << error.message();
    }
    finishMerges();
    EXPECT_EQ(db->fetchNodes(), nodesBefore);
    EXPECT_EQ(log.count(kMerged), 0U);
}

TEST_F(SyncManagerTest, DocumentsWithoutBothArraysOfObjectsAreRefusedWhole)
{
    const std::string node =
        R"({"id":"x","type":"topic","name":"X","properties":{},"created_at":1,"updated_at":1})";
    const std::vector<std::string> documents = {
        "not json",
        "[]",
        R"({"nodes":[)" + node + "]}",
        R"({"nodes":[)" + node + R"(],"edges":{}})",
        R"({"nodes":[)" + node + R"(],"edges":[1]})",
        R"({"nodes":[)" + node + R"(,"x"],"edges":[]})",
        R"({"nodes":null,"edges":[]})",
    };
    for (const auto& document : documents) {
        std::error_code error;
        EXPECT_FALSE(import(sealAs(SyncManager::kHkdfInfo, document), error)) << document;
        EXPECT_EQ(error, make_error_code(SyncError::parseFailed)) << document;
        EXPECT_EQ(error.message(), "Failed to parse decrypted payload");
    }
    finishMerges();
    EXPECT_THAT(nodeIds(), IsEmpty());
}

TEST_F(SyncManagerTest, MergeSkipsMalformedEntriesAndUpsertsTheRest)
{
    ASSERT_TRUE(db->saveNode("kept", "person", "Old name", {{"a", "1"}}, 100, 200));
    ASSERT_TRUE(db->saveNode("other", "topic", "Other", {}, 1, 1));
    ASSERT_TRUE(db->saveEdge("e-kept", "kept", "other", "knows", {{"a", "1"}}, 100));
    const std::string document =
        R"({"nodes":[)"
        // Another type and older times: name, properties and updated_at still win.
        R"({"id":"kept","type":"project","name":"New name","properties":{"b":"2"},"created_at":5,"updated_at":6},)"
        R"({"id":"bad-props","type":"topic","name":"B","properties":{"n":1},"created_at":1,"updated_at":1},)"
        R"({"id":"props-number","type":"topic","name":"B","properties":3,"created_at":1,"updated_at":1},)"
        R"({"id":"no-name","type":"topic","properties":{},"created_at":1,"updated_at":1},)"
        R"({"id":"time-text","type":"topic","name":"T","properties":{},"created_at":"1","updated_at":1},)"
        R"({"id":"no-props","type":"topic","name":"No props","created_at":7,"updated_at":8},)"
        R"({"id":"whole","type":"tool","name":"Whole","properties":{},"created_at":9.5,"updated_at":10})"
        R"(],"edges":[)"
        R"({"id":"e-kept","source":"whole","target":"whole","relationship":"uses","properties":{"b":"2"},"created_at":1},)"
        R"({"id":"e-dangling","source":"ghost","target":"whole","relationship":"uses","properties":{},"created_at":1},)"
        R"({"id":"e-bad","source":"kept","target":"whole","relationship":7,"properties":{},"created_at":1},)"
        R"({"id":"e-new","source":"no-props","target":"whole","relationship":"uses","created_at":2})"
        R"(],"exportedAt":"ignored"})";
    std::error_code error;
    ASSERT_TRUE(import(sealAs(SyncManager::kHkdfInfo, document), error)) << error.message();
    finishMerges();

    EXPECT_THAT(nodeIds(), UnorderedElementsAre("kept", "no-props", "other", "whole"));
    for (const auto& row : db->fetchNodes()) {
        if (std::get<std::string>(row.at("id")) == "kept") {
            EXPECT_EQ(std::get<std::string>(row.at("type")), "person");
            EXPECT_EQ(std::get<std::string>(row.at("name")), "New name");
            EXPECT_EQ(std::get<double>(row.at("created_at")), 100);
            EXPECT_EQ(std::get<double>(row.at("updated_at")), 6);
        }
    }
    EXPECT_EQ(propertiesOf("kept"), (DatabaseManager::StringMap{{"b", "2"}}));
    EXPECT_THAT(propertiesOf("no-props"), IsEmpty());
    EXPECT_THAT(edgeIds(), UnorderedElementsAre("e-kept", "e-new"));
    for (const auto& row : db->fetchEdges()) {
        if (std::get<std::string>(row.at("id")) == "e-kept") {
            EXPECT_EQ(std::get<std::string>(row.at("source")), "kept");
            EXPECT_EQ(std::get<std::string>(row.at("relationship")), "knows");
            EXPECT_EQ(std::get<DatabaseManager::StringMap>(row.at("properties")),
                      (DatabaseManager::StringMap{{"b", "2"}}));
        }
    }
}

TEST_F(SyncManagerTest, OwnFailuresCarryTheirCodes)
{
    std::error_code error;
    sync = makeSync([](std::size_t) { return std::optional<std::string>{}; });
    EXPECT_FALSE(sync->exportEncryptedGraph(kPassphrase, error));
    EXPECT_EQ(error, make_error_code(SyncError::randomSaltFailed));
    EXPECT_EQ(error.message(), "Failed to generate random salt");

    // A salt but no nonce: the cipher's own failure.
    sync = makeSync([](std::size_t count) {
        return count == 16 ? std::optional<std::string>(std::string(16, 'a')) : std::nullopt;
    });
    EXPECT_FALSE(sync->exportEncryptedGraph(kPassphrase, error));
    EXPECT_EQ(error, make_error_code(AesGcmError::randomSourceFailure));

    // Bytes that are not UTF-8 have no UTF-8 form to key.
    sync = makeSync(fixedRandom);
    const std::string notUtf8 = "pass\xff";
    EXPECT_FALSE(sync->exportEncryptedGraph(notUtf8, error));
    EXPECT_EQ(error, make_error_code(SyncError::keyDerivationFailed));
    EXPECT_EQ(error.message(), "Failed to derive symmetric encryption key");
    EXPECT_FALSE(import(fromHex(kSyncAnswer), error, notUtf8));
    EXPECT_EQ(error, make_error_code(SyncError::keyDerivationFailed));

    // A stored name that is not UTF-8 has no JSON form.
    ASSERT_TRUE(db->saveNode("broken", "topic", "bad \xc3", {}, 1, 1));
    EXPECT_FALSE(sync->exportEncryptedGraph(kPassphrase, error));
    EXPECT_EQ(error, make_error_code(SyncError::serializationFailed));
    EXPECT_EQ(error.message(), "Failed to serialize graph payload");
}

TEST_F(SyncManagerTest, TeamPayloadsDoNotOpenAsWholeGraphPayloads)
{
    ASSERT_TRUE(db->saveNode("n1", "project", "Atlas", {{"team_id", kTeam}}, 1.5, 2.5));
    std::error_code error;
    const auto teamPayload = team->exportTeamPayload(kPassphrase, kTeam, error);
    ASSERT_TRUE(teamPayload);
    EXPECT_FALSE(import(*teamPayload, error));
    EXPECT_EQ(error, make_error_code(AesGcmError::authenticationFailure));

    const auto wholePayload = sync->exportEncryptedGraph(kPassphrase, error);
    ASSERT_TRUE(wholePayload);
    EXPECT_FALSE(team->importTeamPayload(*wholePayload, kPassphrase, kTeam, error));
    EXPECT_EQ(error, make_error_code(AesGcmError::authenticationFailure));
}

}  // namespace
}  // namespace qm::test
