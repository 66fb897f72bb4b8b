#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "knowledge/EntityNode.h"

namespace qm {

class Clock;
class DatabaseManager;

// Answers every read of the knowledge graph from an in-memory copy of its
// nodes and an undirected neighbour index, reloaded from the database at the
// first query two seconds or more after the last reload began, or at once
// after invalidateCache().
//
// Any thread. The reload runs under the engine's lock, database reads
// included (lock order: this lock, then the database's queue); queries hold
// the lock only to take the copy and walk or filter outside it.
class GraphQueryEngine {
public:
    static constexpr double cacheTTL = 2.0;

    // The references must outlive the engine.
    GraphQueryEngine(DatabaseManager& database, const Clock& clock);
    GraphQueryEngine(const GraphQueryEngine&) = delete;
    GraphQueryEngine& operator=(const GraphQueryEngine&) = delete;

    // The next query reloads, however young the copy.
    void invalidateCache();

    // The nodes reachable from `id` within `maxDistance` steps, nearest first
    // (breadth first, in neighbour-list order), each once, never the start
    // node. Ids without a node are walked through but not returned.
    std::vector<EntityNode> getRelatedEntities(const std::string& id, int maxDistance = 2);
    // The walk from the id with distance 2, reduced to one kind, in walk order.
    std::vector<EntityNode> getProjectsForPerson(const std::string& personId);
    std::vector<EntityNode> getTopicsForProject(const std::string& projectId);
    std::vector<EntityNode> getRecentDecisions(const std::string& projectId);

    // Every node whose name, or else id, contains `query` ignoring case; every
    // node for an empty query. In id order; no ranking and no limit.
    std::vector<EntityNode> searchEntities(const std::string& query);

private:
    using NodeMap = std::map<std::string, EntityNode>;
    using Adjacency = std::map<std::string, std::vector<std::string>>;
    struct Snapshot {
        std::shared_ptr<const NodeMap> nodes;
        std::shared_ptr<const Adjacency> adjacency;
    };

    // Reloads when stale, then hands out the (shared, immutable) copy.
    Snapshot ensureCacheIsValid();
    std::vector<EntityNode> relatedOfType(const std::string& id, EntityType type);

    DatabaseManager& database_;
    const Clock& clock_;
    std::mutex lock_;
    std::shared_ptr<const NodeMap> cachedNodes_;
    std::shared_ptr<const Adjacency> cachedAdjacency_;
    double lastLoadedTimestamp_ = 0;
};

}  // namespace qm
