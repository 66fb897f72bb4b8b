#include "knowledge/SyncManager.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Log.h"
#include "knowledge/GraphPayloadRows.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/SyncError.h"
#include "platform/runtime/Clock.h"
#include "store/DatabaseManager.h"

namespace qm {

SyncManager::SyncManager(DatabaseManager& database, GraphQueryEngine& queryEngine, const Clock& clock,
                         GraphPayloadSealer::RandomBytes random)
    : database_(database), queryEngine_(queryEngine), clock_(clock),
      sealer_(std::string(kHkdfInfo), {SyncError::randomSaltFailed, SyncError::keyDerivationFailed},
              std::move(random)),
      queue_("com.quillmarker.syncQueue")
{
}

std::optional<std::string> SyncManager::exportEncryptedGraph(std::string_view passphrase,
                                                             std::error_code& error)
{
    const auto nodes = database_.fetchNodes();
    const auto edges = database_.fetchEdges();
    std::string document;
    try {
        document = nlohmann::json{{"nodes", GraphPayloadRows::toJson(nodes)},
                                  {"edges", GraphPayloadRows::toJson(edges)},
                                  {"exportedAt", clock_.now()}}
                       .dump();
    } catch (const nlohmann::json::exception&) {
        // Text that is not UTF-8 has no JSON form.
        error = SyncError::serializationFailed;
        return std::nullopt;
    }
    return sealer_.seal(document, passphrase, error);
}

bool SyncManager::importEncryptedGraph(std::string_view payload, std::string_view passphrase,
                                       std::error_code& error)
{
    const auto plaintext = sealer_.open(payload, passphrase, error);
    if (!plaintext) {
        return false;
    }
    auto document = json::parse(*plaintext);
    if (!document || !document->is_object() ||
        !GraphPayloadRows::isArrayOfObjects(json::arrayAt(*document, "nodes")) ||
        !GraphPayloadRows::isArrayOfObjects(json::arrayAt(*document, "edges"))) {
        error = SyncError::parseFailed;
        return false;
    }
    queue_.async([this, nodes = std::move((*document)["nodes"]), edges = std::move((*document)["edges"])] {
        GraphPayloadRows::merge(database_, nodes, edges, std::nullopt);
        queryEngine_.invalidateCache();
        Log::print("✅ Successfully decrypted and merged Zero-Knowledge sync graph payload.");
    });
    error.clear();
    return true;
}

}  // namespace qm
