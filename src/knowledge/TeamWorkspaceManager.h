#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "knowledge/GraphPayloadSealer.h"
#include "platform/runtime/SerialQueue.h"

namespace qm {

class Clock;
class DatabaseManager;
class GraphQueryEngine;

// Seals and opens the share of the knowledge graph that belongs to one team:
// the nodes and edges whose properties hold "team_id" with that team's id.
// The payload is laid out as the whole-graph one, under its own HKDF info, so
// neither kind opens as the other (legacy payloads open as both).
//
// Team ids compare under Unicode canonical equivalence. Merges run on the
// serial queue "com.quillmarker.teamSyncQueue"; destruction waits for them.
class TeamWorkspaceManager {
public:
    static constexpr std::string_view kHkdfInfo = "quillmarker-teamsync-v2";

    // The references must outlive the manager.
    TeamWorkspaceManager(DatabaseManager& database, GraphQueryEngine& queryEngine, const Clock& clock,
                         GraphPayloadSealer::RandomBytes random);
    TeamWorkspaceManager(const TeamWorkspaceManager&) = delete;
    TeamWorkspaceManager& operator=(const TeamWorkspaceManager&) = delete;

    // The sealed payload of the team's nodes and edges (each chosen by its own
    // "team_id"), or nothing with `error` set (a TeamSyncError or AesGcmError).
    std::optional<std::string> exportTeamPayload(std::string_view passphrase, const std::string& teamId,
                                                 std::error_code& error);

    // Opens and parses `payload`, checks that it is `teamId`'s and queues its
    // merge, every saved entry tagged with `teamId`; or returns false with
    // `error` set and changes nothing.
    bool importTeamPayload(std::string_view payload, std::string_view passphrase, const std::string& teamId,
                           std::error_code& error);

private:
    DatabaseManager& database_;
    GraphQueryEngine& queryEngine_;
    const Clock& clock_;
    GraphPayloadSealer sealer_;
    // Last: destroyed first, so queued merges still find the members above.
    SerialQueue queue_;
};

}  // namespace qm
