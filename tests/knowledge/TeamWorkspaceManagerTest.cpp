#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>

#include "base/AesGcmError.h"
#include "base/Log.h"
#include "knowledge/GraphPayloadTest.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// Computed with Python's `cryptography` package: HKDF-SHA256 of "correct
// horse" with the salt 00…0f and info "quillmarker-teamsync-v2", AES-256-GCM
// under the nonce a0…ab, of the document
// {"edges":[],"exportedAt":1700000000.25,"nodes":[{"created_at":1.5,"id":"n1",
// "name":"Atlas","properties":{"team_id":"team-a"},"type":"project",
// "updated_at":2.5}],"teamId":"team-a"}.
constexpr std::string_view kTeamAnswer =
    "000102030405060708090a0b0c0d0e0fa0a1a2a3a4a5a6a7a8a9aaab06e71fe994034d7f579fa500ead1bcfb64fce865493679d4"
    "650516644cef3d86a1f0bebb0b7ef6d4f56c3330f4b4ba80e89e83c1b864e6081538dc1cec5adce19bc7ae55839cafcd243c1256"
    "96c3076cdd915dd7c213a25bfa598cd3715178c9b98ee228c352e81caafb1b4f7a4d9055824172beb35b442972cfb3ab24da3d98"
    "919601d4d905b721c6c4573e08c5316606a89be2fbfda1a31788307394aa83df89fea66d3908eed8c18bf0b17eecebced30763da"
    "2baa566d1d1d36f94a20a4ba51f08d";

// The legacy box of the whole-graph tests: SHA-256 key, no salt, its
// document naming "team-a" and holding the node "legacy".
constexpr std::string_view kLegacyAnswer =
    "303132333435363738393a3b181ed2d048cb2243cfeb9ee967d1e7b365ad3ee1365c213788724e7238bb1f384dc8b51549bc0ffd"
    "16cb2cb71a78c5690cb1ef8ca42335ab5aa650e0a3447079e304fea1d562825389715035485141755da2ddb9c29f2f78718f0870"
    "8f6182cdd71a94610129b396965d863d54cf177ff811e64069093d3f7f54309f1382eb3bc77ef130e92b5677f827928a0b314d81"
    "e591";

constexpr std::string_view kMerged =
    "👥 Successfully processed and merged cryptographically isolated team sync payload for: ";

// "équipe" precomposed and decomposed: canonically the same team.
const std::string kComposed = "\xc3\xa9quipe";
const std::string kDecomposed = "e\xcc\x81quipe";

std::vector<std::string> idsIn(const nlohmann::json& array)
{
    std::vector<std::string> ids;
    for (const auto& entry : array) {
        ids.push_back(entry.at("id").get<std::string>());
    }
    return ids;
}

class TeamWorkspaceManagerTest : public GraphPayloadTest {
protected:
    bool import(std::string_view payload, const std::string& teamId, std::error_code& error)
    {
        return team->importTeamPayload(payload, kPassphrase, teamId, error);
    }

    nlohmann::json exportedDocument(const std::string& teamId)
    {
        std::error_code error;
        const auto payload = team->exportTeamPayload(kPassphrase, teamId, error);
        EXPECT_TRUE(payload) << error.message();
        return nlohmann::json::parse(openAs(TeamWorkspaceManager::kHkdfInfo, payload.value_or("")));
    }
};

TEST_F(TeamWorkspaceManagerTest, ExportKeepsRowsByTheirOwnTeamTag)
{
    ASSERT_TRUE(db->saveNode("a1", "person", "A1", {{"team_id", kComposed}}, 1, 1));
    ASSERT_TRUE(db->saveNode("a2", "project", "A2", {{"team_id", kDecomposed}, {"x", "y"}}, 1, 1));
    ASSERT_TRUE(db->saveNode("b1", "person", "B1", {{"team_id", "team-b"}}, 1, 1));
    ASSERT_TRUE(db->saveNode("none", "topic", "None", {{"owner", kComposed}}, 1, 1));
    ASSERT_TRUE(db->executeNonQuery("INSERT INTO kg_nodes (id, type, name, properties, created_at, "
                                    "updated_at) VALUES ('bare', 'topic', 'Bare', NULL, 1, 2);"));
    // Tagged, between nodes of no team or another one: exported.
    ASSERT_TRUE(db->saveEdge("tagged", "b1", "none", "knows", {{"team_id", kComposed}}, 1));
    // Untagged, between two of the team's nodes: left out.
    ASSERT_TRUE(db->saveEdge("untagged", "a1", "a2", "works_on", {}, 1));
    ASSERT_TRUE(db->saveEdge("other", "a1", "b1", "knows", {{"team_id", "team-b"}}, 1));

    const auto document = exportedDocument(kComposed);
    EXPECT_EQ(document.at("teamId"), kComposed);
    EXPECT_THAT(idsIn(document.at("nodes")), ElementsAre("a1", "a2"));
    EXPECT_THAT(idsIn(document.at("edges")), ElementsAre("tagged"));
    EXPECT_EQ(document.at("exportedAt"), 1'700'000'000.25);

    const auto nobody = exportedDocument("nobody");
    EXPECT_THAT(nobody.at("nodes"), IsEmpty());
    EXPECT_THAT(nobody.at("edges"), IsEmpty());
}

TEST_F(TeamWorkspaceManagerTest, ExportMatchesTheKnownAnswerAndImportsBack)
{
    ASSERT_TRUE(db->saveNode("n1", "project", "Atlas", {{"team_id", kTeam}}, 1.5, 2.5));
    ASSERT_TRUE(db->saveNode("private", "project", "Mine", {}, 1, 1));
    std::error_code error;
    const auto payload = team->exportTeamPayload(kPassphrase, kTeam, error);
    ASSERT_TRUE(payload) << error.message();
    EXPECT_EQ(*payload, fromHex(kTeamAnswer));

    ASSERT_TRUE(db->clearKnowledgeGraph());
    Log::Capture log;
    ASSERT_TRUE(import(fromHex(kTeamAnswer), kTeam, error)) << error.message();
    finishMerges();
    EXPECT_THAT(nodeIds(), ElementsAre("n1"));
    EXPECT_EQ(log.count(std::string(kMerged) + kTeam), 1U);
}

TEST_F(TeamWorkspaceManagerTest, ImportTagsEverySavedEntryWithTheImportingTeam)
{
    ASSERT_TRUE(db->saveNode("moved", "person", "Moved", {{"team_id", "team-b"}}, 1, 1));
    const std::string document =
        R"({"teamId":")" + kComposed +
        R"(","exportedAt":1,"nodes":[)"
        R"({"id":"moved","type":"person","name":"Moved","properties":{"team_id":"team-b","k":"v"},"created_at":1,"updated_at":2},)"
        R"({"id":"plain","type":"topic","name":"Plain","created_at":1,"updated_at":2},)"
        R"({"id":"skipped","type":"topic","name":"S","properties":{"team_id":5},"created_at":1,"updated_at":2})"
        R"(],"edges":[{"id":"e","source":"moved","target":"plain","relationship":"knows","properties":{},"created_at":3}]})";
    std::error_code error;
    // Canonically the same team, written the other way.
    ASSERT_TRUE(import(sealAs(TeamWorkspaceManager::kHkdfInfo, document), kDecomposed, error))
        << error.message();
    finishMerges();
    EXPECT_THAT(nodeIds(), UnorderedElementsAre("moved", "plain"));
    EXPECT_EQ(propertiesOf("moved"), (DatabaseManager::StringMap{{"k", "v"}, {"team_id", kDecomposed}}));
    EXPECT_EQ(propertiesOf("plain"), (DatabaseManager::StringMap{{"team_id", kDecomposed}}));
    const auto edges = db->fetchEdges();
    ASSERT_EQ(edges.size(), 1U);
    EXPECT_EQ(std::get<DatabaseManager::StringMap>(edges[0].at("properties")),
              (DatabaseManager::StringMap{{"team_id", kDecomposed}}));
}

TEST_F(TeamWorkspaceManagerTest, RefusedDocumentsReportWhyAndChangeNothing)
{
    const std::string nodes =
        R"("nodes":[{"id":"x","type":"topic","name":"X","properties":{},"created_at":1,"updated_at":1}])";
    struct Case {
        std::string document;
        std::string teamId;
        TeamSyncError expected;
    };
    const std::vector<Case> cases = {
        {R"({"teamId":"team-b",)" + nodes + R"(,"edges":[]})", kTeam, TeamSyncError::teamMismatch},
        {R"({"teamId":"team-A",)" + nodes + R"(,"edges":[]})", kTeam, TeamSyncError::teamMismatch},
        // Broken and foreign at once: broken wins.
        {R"({"teamId":"team-b",)" + nodes + "}", kTeam, TeamSyncError::parseFailed},
        {"{" + nodes + R"(,"edges":[]})", kTeam, TeamSyncError::parseFailed},
        {R"({"teamId":7,)" + nodes + R"(,"edges":[]})", kTeam, TeamSyncError::parseFailed},
        {R"({"teamId":"team-a","nodes":[[]],"edges":[]})", kTeam, TeamSyncError::parseFailed},
        {"teamId", kTeam, TeamSyncError::parseFailed},
    };
    Log::Capture log;
    for (const auto& c : cases) {
        std::error_code error;
        EXPECT_FALSE(import(sealAs(TeamWorkspaceManager::kHkdfInfo, c.document), c.teamId, error))
            << c.document;
        EXPECT_EQ(error, make_error_code(c.expected)) << c.document << ": " << error.message();
    }
    std::error_code error;
    EXPECT_FALSE(import(fromHex(kTeamAnswer), kTeam + " ", error));
    EXPECT_EQ(error.message(), "Cryptographical namespace mismatch. Team ID mismatch.");
    EXPECT_FALSE(team->importTeamPayload(fromHex(kTeamAnswer), "wrong", kTeam, error));
    EXPECT_EQ(error, make_error_code(AesGcmError::authenticationFailure));
    finishMerges();
    EXPECT_THAT(nodeIds(), IsEmpty());
    EXPECT_EQ(log.count(kMerged), 0U);
}

TEST_F(TeamWorkspaceManagerTest, LegacyPayloadOpensOnlyForItsOwnTeam)
{
    std::error_code error;
    EXPECT_FALSE(import(fromHex(kLegacyAnswer), "team-b", error));
    EXPECT_EQ(error, make_error_code(TeamSyncError::teamMismatch));
    ASSERT_TRUE(import(fromHex(kLegacyAnswer), kTeam, error)) << error.message();
    finishMerges();
    EXPECT_THAT(nodeIds(), ElementsAre("legacy"));
    EXPECT_EQ(propertiesOf("legacy"), (DatabaseManager::StringMap{{"team_id", kTeam}}));
}

TEST_F(TeamWorkspaceManagerTest, OwnFailuresCarryTheirCodes)
{
    std::error_code error;
    team = makeTeam([](std::size_t) { return std::optional<std::string>{}; });
    EXPECT_FALSE(team->exportTeamPayload(kPassphrase, kTeam, error));
    EXPECT_EQ(error, make_error_code(TeamSyncError::randomSaltFailed));
    EXPECT_EQ(error.message(), "Failed to generate random salt");

    team = makeTeam(fixedRandom);
    EXPECT_FALSE(team->exportTeamPayload("\xfe", kTeam, error));
    EXPECT_EQ(error, make_error_code(TeamSyncError::keyDerivationFailed));
    EXPECT_FALSE(team->importTeamPayload(fromHex(kTeamAnswer), "\xfe", kTeam, error));
    EXPECT_EQ(error, make_error_code(TeamSyncError::keyDerivationFailed));

    ASSERT_TRUE(db->saveNode("broken", "topic", "bad \xc3", {{"team_id", kTeam}}, 1, 1));
    EXPECT_FALSE(team->exportTeamPayload(kPassphrase, kTeam, error));
    EXPECT_EQ(error, make_error_code(TeamSyncError::serializationFailed));
    EXPECT_EQ(error.message(), "Failed to serialize team graph payload");
}

}  // namespace
}  // namespace qm::test
