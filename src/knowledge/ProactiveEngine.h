#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace qm {

class ContextTransitionDetector;
class GraphQueryEngine;
class KnowledgeGraphEngine;
class MCPHubManager;
class UserDefaults;

// At each context switch, finds the project behind the new window title in
// the knowledge graph and composes a short briefing (the project, an open
// decision, up to two topics, a tool, up to two people). The briefing is
// kept for the suggestion overlay and broadcast to subscribed tools. Per-
// project confidence scores silence projects the user keeps rejecting.
//
// Transitions arrive on the main loop; the briefing may be read from any
// thread (it is guarded by a lock).
class ProactiveEngine {
public:
    static constexpr const char* enabledKey = "isProactiveEnabled";
    static constexpr const char* confidenceKey = "com.quillmarker.proactiveConfidence";
    // Scores below this suppress a project's briefing.
    static constexpr int suppressionScore = -5;

    // Subscribes to `detector`. The references must outlive the engine.
    ProactiveEngine(ContextTransitionDetector& detector, KnowledgeGraphEngine& graphEngine,
                    GraphQueryEngine& graphQuery, MCPHubManager& hub, UserDefaults& defaults);
    ~ProactiveEngine();
    ProactiveEngine(const ProactiveEngine&) = delete;
    ProactiveEngine& operator=(const ProactiveEngine&) = delete;

    // The current briefing, lines joined with "\n"; absent when there is none.
    std::optional<std::string> activeProactiveSuggestion() const;
    void setActiveProactiveSuggestion(std::optional<std::string> suggestion);

    // Feedback on a project node's briefing: its score up or down by one.
    void recordAcceptance(const std::string& projectId);
    void recordRejection(const std::string& projectId);
    void resetFeedbackWeights();

private:
    void handleTransition(const std::string& appBundleId, const std::string& windowTitle, bool isIdleResume);
    // The stored scores; an entry that is not an integer is left out alone.
    std::map<std::string, std::int64_t> confidenceScores() const;
    void adjustScore(const std::string& projectId, int delta);

    ContextTransitionDetector& detector_;
    KnowledgeGraphEngine& graphEngine_;
    GraphQueryEngine& graphQuery_;
    MCPHubManager& hub_;
    UserDefaults& defaults_;
    mutable std::mutex lock_;
    std::optional<std::string> activeProactiveSuggestion_;
};

}  // namespace qm
