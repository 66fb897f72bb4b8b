#include "knowledge/GraphQueryEngine.h"

#include <set>
#include <utility>

#include "base/Text.h"
#include "platform/runtime/Clock.h"
#include "store/DatabaseManager.h"

namespace qm {

GraphQueryEngine::GraphQueryEngine(DatabaseManager& database, const Clock& clock)
    : database_(database), clock_(clock), cachedNodes_(std::make_shared<NodeMap>()),
      cachedAdjacency_(std::make_shared<Adjacency>())
{
}

void GraphQueryEngine::invalidateCache()
{
    const std::lock_guard guard(lock_);
    lastLoadedTimestamp_ = 0;
}

GraphQueryEngine::Snapshot GraphQueryEngine::ensureCacheIsValid()
{
    const std::lock_guard guard(lock_);
    const double now = clock_.now();
    // A clock set back (below the last reload) counts as stale too, or the copy
    // would stay "fresh" until the clock caught up again.
    const bool stale =
        lastLoadedTimestamp_ == 0 || now < lastLoadedTimestamp_ || now - lastLoadedTimestamp_ >= cacheTTL;
    if (stale) {
        auto nodes = std::make_shared<NodeMap>();
        auto adjacency = std::make_shared<Adjacency>();
        for (const auto& row : database_.fetchNodes()) {
            if (auto node = EntityNode::fromRecord(row)) {
                const std::string id = node->id();
                nodes->insert_or_assign(id, std::move(*node));
                (*adjacency)[id].clear();
            }
        }
        // Direction, relation and properties do not matter to the index; an
        // edge whose end node was skipped still links the other end to its id.
        for (const auto& row : database_.fetchEdges()) {
            const auto source = row.find("source");
            const auto target = row.find("target");
            if (source == row.end() || target == row.end()) {
                continue;
            }
            const auto* from = std::get_if<std::string>(&source->second);
            const auto* to = std::get_if<std::string>(&target->second);
            if (!from || !to) {
                continue;
            }
            (*adjacency)[*from].push_back(*to);
            (*adjacency)[*to].push_back(*from);
        }
        cachedNodes_ = std::move(nodes);
        cachedAdjacency_ = std::move(adjacency);
        // The time the reload began, so a slow reload does not extend its own life.
        lastLoadedTimestamp_ = now;
    }
    return {cachedNodes_, cachedAdjacency_};
}

std::vector<EntityNode> GraphQueryEngine::getRelatedEntities(const std::string& id, int maxDistance)
{
    const Snapshot snapshot = ensureCacheIsValid();
    std::vector<EntityNode> result;
    if (!snapshot.nodes->contains(id)) {
        return result;
    }
    std::set<std::string> visited = {id};
    std::vector<std::pair<std::string, int>> work = {{id, 0}};
    // The work list only grows; each entry is handled once, by index.
    for (std::size_t index = 0; index < work.size(); ++index) {
        const auto [current, distance] = work[index];
        if (distance > 0) {
            if (const auto node = snapshot.nodes->find(current); node != snapshot.nodes->end()) {
                result.push_back(node->second);
            }
        }
        if (distance >= maxDistance) {
            continue;
        }
        const auto neighbours = snapshot.adjacency->find(current);
        if (neighbours == snapshot.adjacency->end()) {
            continue;
        }
        for (const auto& neighbour : neighbours->second) {
            if (visited.insert(neighbour).second) {
                work.emplace_back(neighbour, distance + 1);
            }
        }
    }
    return result;
}

std::vector<EntityNode> GraphQueryEngine::relatedOfType(const std::string& id, EntityType type)
{
    std::vector<EntityNode> kept;
    for (auto& node : getRelatedEntities(id, 2)) {
        if (node.type() == type) {
            kept.push_back(std::move(node));
        }
    }
    return kept;
}

std::vector<EntityNode> GraphQueryEngine::getProjectsForPerson(const std::string& personId)
{
    return relatedOfType(personId, EntityType::project);
}

std::vector<EntityNode> GraphQueryEngine::getTopicsForProject(const std::string& projectId)
{
    return relatedOfType(projectId, EntityType::topic);
}

// Every decision within two steps, however old and however many.
std::vector<EntityNode> GraphQueryEngine::getRecentDecisions(const std::string& projectId)
{
    return relatedOfType(projectId, EntityType::decision);
}

std::vector<EntityNode> GraphQueryEngine::searchEntities(const std::string& query)
{
    const Snapshot snapshot = ensureCacheIsValid();
    std::vector<EntityNode> found;
    // Not trimmed: a single blank is a real query.
    const std::string needle = text::lowercased(query);
    for (const auto& [id, node] : *snapshot.nodes) {
        if (needle.empty() || text::lowercased(node.name()).find(needle) != std::string::npos ||
            text::lowercased(id).find(needle) != std::string::npos) {
            found.push_back(node);
        }
    }
    return found;
}

}  // namespace qm
