#pragma once

#include <cstdint>
#include <memory>

#include "app/PlatformBundle.h"
#include "platform/notifications/DistributedNotificationCenter.h"

namespace qm {

class AIEngineMCPGenerator;
class AISuggestionEngine;
class ConcurrentQueue;
class DatabaseManager;
class FieldContextDetector;
class FieldMemoryEngine;
class FieldMemorySealer;
class GraphQueryEngine;
class KeychainHelper;
class KnowledgeGraphEngine;
class KnowledgeSuggestionEngine;
class LazyProactiveEngine;
class MCPHubManager;
class MCPLineHandler;
class MCPRequestHandler;
class MCPServer;
class MCPSuggestionQueue;
class SecondBrainIndexer;
class SuggestionSources;

// The services that answer rather than capture: the AI engine with its three
// providers, the knowledge graph, the local tool server and what it forwards
// to, and the index of the note folders. Part of the composition root. The
// tool server is built stopped; the app starts it at launch when its setting
// says so, and "com.quillmarker.mcp.toggle" from another process starts or
// stops it. The indexer opens its database and starts a first rebuild when
// built. The suggestion overlay's knowledge sources (the proactive briefing
// of each context switch, note passages, pushed suggestions) come from here;
// the briefing's engine, and the context watching it needs, start with the
// first read of the briefing.
class AssistantServices {
public:
    struct Dependencies {
        const PlatformBundle& platform;
        DatabaseManager& database;
        KeychainHelper& secrets;
        FieldContextDetector& fieldContext;
        FieldMemoryEngine& fieldMemory;
        // The tool server's port on 127.0.0.1 (0: the system picks one).
        std::uint16_t mcpPort;
    };

    explicit AssistantServices(const Dependencies& dependencies);
    // Stops the tool server first: its connections reach everything else.
    ~AssistantServices();
    AssistantServices(const AssistantServices&) = delete;
    AssistantServices& operator=(const AssistantServices&) = delete;

    AISuggestionEngine& aiEngine() { return *aiEngine_; }
    KnowledgeGraphEngine& knowledgeGraph() { return *graphEngine_; }
    MCPHubManager& hub() { return *hub_; }
    MCPSuggestionQueue& suggestionQueue() { return *suggestionQueue_; }
    MCPServer& mcpServer() { return *mcpServer_; }
    SecondBrainIndexer& indexer() { return *indexer_; }
    // Made on the first read of the briefing.
    LazyProactiveEngine& proactive() { return *proactive_; }
    SuggestionSources& suggestionSources() { return *suggestionSources_; }

private:
    const PlatformBundle& platform_;
    std::unique_ptr<ConcurrentQueue> aiStreams_;
    std::unique_ptr<AISuggestionEngine> aiEngine_;
    std::unique_ptr<ConcurrentQueue> requests_;
    std::unique_ptr<KnowledgeGraphEngine> graphEngine_;
    std::unique_ptr<GraphQueryEngine> graphQueries_;
    std::unique_ptr<MCPHubManager> hub_;
    std::unique_ptr<MCPSuggestionQueue> suggestionQueue_;
    std::unique_ptr<FieldMemorySealer> memorySealer_;
    std::unique_ptr<AIEngineMCPGenerator> aiGenerator_;
    std::unique_ptr<MCPRequestHandler> requestHandler_;
    std::unique_ptr<MCPLineHandler> lineHandler_;
    std::unique_ptr<MCPServer> mcpServer_;
    DistributedNotificationCenter::ObserverToken toggleObserver_;
    std::unique_ptr<SecondBrainIndexer> indexer_;
    std::unique_ptr<LazyProactiveEngine> proactive_;
    std::unique_ptr<KnowledgeSuggestionEngine> noteSearch_;
    std::unique_ptr<SuggestionSources> suggestionSources_;
};

}  // namespace qm
