#include "app/AssistantServices.h"

#include "app/AIEngineMCPGenerator.h"
#include "app/KnowledgeSuggestionSources.h"
#include "app/LazyProactiveEngine.h"
#include "base/Paths.h"
#include "knowledge/FieldMemorySealer.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeGraphEngine.h"
#include "knowledge/KnowledgeSuggestionEngine.h"
#include "knowledge/MCPHubManager.h"
#include "knowledge/MCPLineHandler.h"
#include "knowledge/MCPRequestHandler.h"
#include "knowledge/MCPServer.h"
#include "knowledge/MCPSuggestionQueue.h"
#include "knowledge/SecondBrainIndexer.h"
#include "platform/notifications/DistributedNotificationCenter.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "store/KeychainHelper.h"
#include "suggestions/AISuggestionEngine.h"
#include "suggestions/FieldContextDetector.h"
#include "suggestions/HttpAIService.h"

namespace qm {

namespace {

// Where the people-and-projects pattern of the knowledge graph finds home folders.
constexpr const char* kHomesFolder = "/home";
constexpr const char* kMCPToggle = "com.quillmarker.mcp.toggle";

}  // namespace

AssistantServices::AssistantServices(const Dependencies& d) : platform_(d.platform)
{
    const PlatformBundle& p = d.platform;
    KeychainHelper& secrets = d.secrets;
    const SecretLoader loadSecret = [&secrets](std::string_view service, std::string_view key) {
        return secrets.load(service, key);
    };
    aiStreams_ = std::make_unique<ConcurrentQueue>("com.quillmarker.ai.streams", 2);
    aiEngine_ = std::make_unique<AISuggestionEngine>(
        p.defaults, p.clock, p.mainLoop, p.workspace, p.accessibility,
        [&detector = d.fieldContext](const AXUIElement& focused) { return detector.detect(focused).domain; },
        std::make_unique<HttpAIService>(
            p.httpStreams, *aiStreams_,
            AIServiceProfile::openAI(loadSecret, std::string(AIServiceProfile::kOpenAIEndpoint))),
        std::make_unique<HttpAIService>(
            p.httpStreams, *aiStreams_,
            AIServiceProfile::anthropic(loadSecret, std::string(AIServiceProfile::kAnthropicEndpoint))),
        std::make_unique<HttpAIService>(
            p.httpStreams, *aiStreams_,
            AIServiceProfile::localOllama(std::string(AIServiceProfile::kOllamaEndpoint))));

    requests_ = std::make_unique<ConcurrentQueue>("com.quillmarker.mcp.requests", 2);
    graphEngine_ = std::make_unique<KnowledgeGraphEngine>(d.database, p.clock, kHomesFolder);
    graphQueries_ = std::make_unique<GraphQueryEngine>(d.database, p.clock);
    hub_ = std::make_unique<MCPHubManager>(*graphQueries_, p.clock);
    suggestionQueue_ = std::make_unique<MCPSuggestionQueue>(p.clock);
    memorySealer_ = std::make_unique<FieldMemorySealer>(d.fieldMemory);
    aiGenerator_ = std::make_unique<AIEngineMCPGenerator>(*aiEngine_);
    requestHandler_ = std::make_unique<MCPRequestHandler>(MCPRequestHandler::Services{
        .database = d.database,
        .workspace = p.workspace,
        .accessibility = p.accessibility,
        .memorySealer = *memorySealer_,
        .aiGenerator = *aiGenerator_,
        .suggestionQueue = *suggestionQueue_,
        .hub = *hub_,
        .graphEngine = *graphEngine_,
        .clock = p.clock,
    });
    lineHandler_ = std::make_unique<MCPLineHandler>(*requestHandler_, *requests_);
    mcpServer_ = std::make_unique<MCPServer>(
        *lineHandler_, *hub_, [&secrets] { return MCPServer::getOrCreateMCPToken(secrets); }, d.mcpPort);
    toggleObserver_ = p.distributedNotificationCenter.get().addObserver(
        kMCPToggle, std::nullopt,
        [server = mcpServer_.get()](const DistributedNotificationCenter::Notification& notification) {
            server->handleToggleNotification(notification);
        });

    std::optional<std::filesystem::path> ownFolder;
    if (p.applicationSupport) {
        ownFolder = *p.applicationSupport / paths::kBundleIdentifier;
    }
    indexer_ = std::make_unique<SecondBrainIndexer>(ownFolder, p.defaults, p.mainLoop, p.clock);

    proactive_ = std::make_unique<LazyProactiveEngine>(LazyProactiveEngine::Services{
        .workspace = p.workspace,
        .accessibility = p.accessibility,
        .mainLoop = p.mainLoop,
        .clock = p.clock,
        .graphEngine = *graphEngine_,
        .graphQuery = *graphQueries_,
        .hub = *hub_,
        .defaults = p.defaults,
    });
    noteSearch_ = std::make_unique<KnowledgeSuggestionEngine>(*indexer_);
    suggestionSources_ =
        std::make_unique<KnowledgeSuggestionSources>(*proactive_, *noteSearch_, *suggestionQueue_);
}

AssistantServices::~AssistantServices()
{
    platform_.distributedNotificationCenter.get().removeObserver(toggleObserver_);
    mcpServer_->stop();
    mcpServer_.reset();
    // The briefing and the note search reach the graph and the index below.
    suggestionSources_.reset();
    noteSearch_.reset();
    proactive_.reset();
    // Requests still queued answer while what they reach exists.
    requests_.reset();
    indexer_.reset();
}

}  // namespace qm
