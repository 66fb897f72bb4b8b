#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "knowledge/GraphPayloadSealer.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeDatabaseTest.h"
#include "knowledge/SyncError.h"
#include "knowledge/SyncManager.h"
#include "knowledge/TeamSyncError.h"
#include "knowledge/TeamWorkspaceManager.h"

namespace qm::test {

inline std::string fromHex(std::string_view hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

inline std::string byteRun(int first, int count)
{
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes.push_back(static_cast<char>(first + i));
    }
    return bytes;
}

// The salt 00 01 … 0f and the nonce a0 a1 … ab, under which the known
// answers were computed; any other request fails.
inline std::optional<std::string> fixedRandom(std::size_t count)
{
    if (count == GraphPayloadSealer::kSaltSize) {
        return byteRun(0x00, 16);
    }
    if (count == 12) {
        return byteRun(0xa0, 12);
    }
    return std::nullopt;
}

inline const std::string kPassphrase = "correct horse";
inline const std::string kTeam = "team-a";

// Both managers over a real database. finishMerges() destroys them, which
// waits for every queued merge, and builds fresh ones.
class GraphPayloadTest : public KnowledgeDatabaseTest {
protected:
    GraphPayloadTest() { clock.set(1'700'000'000.25); }

    void finishMerges()
    {
        sync.reset();
        team.reset();
        sync = makeSync(random);
        team = makeTeam(random);
    }

    std::unique_ptr<SyncManager> makeSync(GraphPayloadSealer::RandomBytes source)
    {
        return std::make_unique<SyncManager>(*db, queryEngine, clock, std::move(source));
    }

    std::unique_ptr<TeamWorkspaceManager> makeTeam(GraphPayloadSealer::RandomBytes source)
    {
        return std::make_unique<TeamWorkspaceManager>(*db, queryEngine, clock, std::move(source));
    }

    // A payload of any plaintext, sealed as the given kind seals.
    static std::string sealAs(std::string_view info, std::string_view plaintext,
                              const std::string& passphrase = kPassphrase)
    {
        const GraphPayloadSealer sealer(std::string(info), {}, fixedRandom);
        std::error_code error;
        return sealer.seal(plaintext, passphrase, error).value();
    }

    static std::string openAs(std::string_view info, std::string_view payload,
                              const std::string& passphrase = kPassphrase)
    {
        const GraphPayloadSealer sealer(std::string(info), {}, fixedRandom);
        std::error_code error;
        return sealer.open(payload, passphrase, error).value_or("");
    }

    DatabaseManager::StringMap propertiesOf(const std::string& nodeId)
    {
        for (const auto& row : db->fetchNodes()) {
            if (std::get<std::string>(row.at("id")) == nodeId) {
                const auto found = row.find("properties");
                return found == row.end() ? DatabaseManager::StringMap{}
                                          : std::get<DatabaseManager::StringMap>(found->second);
            }
        }
        ADD_FAILURE() << "no node " << nodeId;
        return {};
    }

    GraphQueryEngine queryEngine{*db, clock};
    GraphPayloadSealer::RandomBytes random = fixedRandom;
    std::unique_ptr<SyncManager> sync = makeSync(random);
    std::unique_ptr<TeamWorkspaceManager> team = makeTeam(random);
};

}  // namespace qm::test
