#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/Regex.h"
#include "knowledge/EntityNode.h"
#include "knowledge/RelationshipEdge.h"
#include "platform/runtime/SerialQueue.h"

namespace qm {

class Clock;
class DatabaseManager;

// The only writer of the knowledge graph in the running application. It
// extracts a project, people, decisions, tools and topics from an observed
// text (a window title and the application's bundle identifier) and stores
// the nodes and edges that local tools push.
//
// Every write runs on the serial queue "com.quillmarker.knowledgeGraphQueue",
// in the order submitted, through the database's upserts: extracting the same
// thing again only refreshes it. The engine never reads the graph.
// Destruction waits for every write already submitted.
class KnowledgeGraphEngine {
public:
    // Receives whether the database stored the write; runs on the graph queue.
    using WriteCompletion = std::function<void(bool stored)>;

    // `homesFolder` is the folder that holds the users' home folders ("/home";
    // the system this came from used "/Users"): a path under it in a terminal's
    // or editor's title names the project. The references must outlive the engine.
    KnowledgeGraphEngine(DatabaseManager& database, const Clock& clock, std::string homesFolder);
    KnowledgeGraphEngine(const KnowledgeGraphEngine&) = delete;
    KnowledgeGraphEngine& operator=(const KnowledgeGraphEngine&) = delete;

    // Schedules one extraction pass over `text` unless it is blank. Any thread.
    void ingestCapturedText(const std::string& text, const std::string& appBundleId,
                            const std::optional<std::string>& domain);

    // Schedule one save of the record, unchanged. Any thread. A pushed edge whose
    // end has no node is refused by the database (its foreign keys).
    void pushProgrammaticNode(const EntityNode& node, WriteCompletion completion = {});
    void pushProgrammaticEdge(const RelationshipEdge& edge, WriteCompletion completion = {});

private:
    void runPass(const std::string& text, const std::string& app, const std::optional<std::string>& domain);
    std::optional<std::string> detectProjectFolder(const std::string& app,
                                                   const std::optional<std::string>& domain,
                                                   const std::string& text) const;
    static std::vector<std::string> extractEmails(const std::string& text);
    static std::vector<std::string> extractDecisions(const std::string& text);
    static std::vector<std::string> extractTools(const std::string& text);
    static std::vector<std::string> extractTopics(const std::string& text);

    bool saveNode(const std::string& id, EntityType type, const std::string& name,
                  const EntityNode::Properties& properties, double now);
    bool saveEdge(const std::string& id, const std::string& source, const std::string& target,
                  const std::string& relationship, double now);

    DatabaseManager& database_;
    const Clock& clock_;
    const std::string projectFolderPatternText_;
    mutable std::once_flag projectFolderPatternCompiled_;
    mutable std::optional<Regex> projectFolderPattern_;
    // Last: destroyed first, so queued writes still find the members above.
    SerialQueue queue_;
};

}  // namespace qm
