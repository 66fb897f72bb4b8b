#include "knowledge/TeamWorkspaceManager.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Log.h"
#include "base/Text.h"
#include "knowledge/GraphPayloadRows.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/TeamSyncError.h"
#include "platform/runtime/Clock.h"
#include "store/DatabaseManager.h"

namespace qm {

namespace {

DatabaseManager::GraphRecords teamRows(DatabaseManager::GraphRecords rows, const std::string& teamId)
{
    DatabaseManager::GraphRecords kept;
    for (auto& row : rows) {
        if (GraphPayloadRows::belongsToTeam(row, teamId)) {
            kept.push_back(std::move(row));
        }
    }
    return kept;
}

}  // namespace

TeamWorkspaceManager::TeamWorkspaceManager(DatabaseManager& database, GraphQueryEngine& queryEngine,
                                           const Clock& clock, GraphPayloadSealer::RandomBytes random)
    : database_(database), queryEngine_(queryEngine), clock_(clock),
      sealer_(std::string(kHkdfInfo), {TeamSyncError::randomSaltFailed, TeamSyncError::keyDerivationFailed},
              std::move(random)),
      queue_("com.quillmarker.teamSyncQueue")
{
}

std::optional<std::string> TeamWorkspaceManager::exportTeamPayload(std::string_view passphrase,
                                                                   const std::string& teamId,
                                                                   std::error_code& error)
{
    const auto nodes = teamRows(database_.fetchNodes(), teamId);
    const auto edges = teamRows(database_.fetchEdges(), teamId);
    std::string document;
    try {
        document = nlohmann::json{{"teamId", teamId},
                                  {"nodes", GraphPayloadRows::toJson(nodes)},
                                  {"edges", GraphPayloadRows::toJson(edges)},
                                  {"exportedAt", clock_.now()}}
                       .dump();
    } catch (const nlohmann::json::exception&) {
        // Text that is not UTF-8 has no JSON form.
        error = TeamSyncError::serializationFailed;
        return std::nullopt;
    }
    return sealer_.seal(document, passphrase, error);
}

bool TeamWorkspaceManager::importTeamPayload(std::string_view payload, std::string_view passphrase,
                                             const std::string& teamId, std::error_code& error)
{
    const auto plaintext = sealer_.open(payload, passphrase, error);
    if (!plaintext) {
        return false;
    }
    auto document = json::parse(*plaintext);
    const auto payloadTeam = document ? json::stringAt(*document, "teamId") : std::nullopt;
    if (!payloadTeam || !GraphPayloadRows::isArrayOfObjects(json::arrayAt(*document, "nodes")) ||
        !GraphPayloadRows::isArrayOfObjects(json::arrayAt(*document, "edges"))) {
        error = TeamSyncError::parseFailed;
        return false;
    }
    // Checked only once the document is known to be whole, so a damaged
    // payload reads as damaged rather than as another team's.
    if (!text::canonicallyEqual(*payloadTeam, teamId)) {
        error = TeamSyncError::teamMismatch;
        return false;
    }
    queue_.async([this, teamId, nodes = std::move((*document)["nodes"]),
                  edges = std::move((*document)["edges"])] {
        GraphPayloadRows::merge(database_, nodes, edges, teamId);
        queryEngine_.invalidateCache();
        Log::print("👥 Successfully processed and merged cryptographically isolated team sync payload for: " +
                   teamId);
    });
    error.clear();
    return true;
}

}  // namespace qm
