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

// Seals the whole knowledge graph under a passphrase the user chooses, and
// merges such a payload back. The payload is opaque bytes: no header, no
// names; see GraphPayloadSealer for its layout.
//
// Export runs on the caller's thread. Import opens and checks the payload on
// the caller's thread and queues the merge on the serial queue
// "com.quillmarker.syncQueue"; destruction waits for queued merges.
class SyncManager {
public:
    static constexpr std::string_view kHkdfInfo = "quillmarker-sync-v2";

    // The references must outlive the manager.
    SyncManager(DatabaseManager& database, GraphQueryEngine& queryEngine, const Clock& clock,
                GraphPayloadSealer::RandomBytes random);
    SyncManager(const SyncManager&) = delete;
    SyncManager& operator=(const SyncManager&) = delete;

    // The sealed payload of every node and edge, or nothing with `error` set
    // (a SyncError, or the cipher's AesGcmError).
    std::optional<std::string> exportEncryptedGraph(std::string_view passphrase, std::error_code& error);

    // Opens and parses `payload`, queues its merge and returns true; or
    // returns false with `error` set and changes nothing. A wrong passphrase
    // or a damaged payload reports the cipher's error, not a SyncError.
    bool importEncryptedGraph(std::string_view payload, std::string_view passphrase, std::error_code& error);

private:
    DatabaseManager& database_;
    GraphQueryEngine& queryEngine_;
    const Clock& clock_;
    GraphPayloadSealer sealer_;
    // Last: destroyed first, so queued merges still find the members above.
    SerialQueue queue_;
};

}  // namespace qm
