#include "knowledge/ProactiveEngine.h"

#include <vector>

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Text.h"
#include "knowledge/ContextTransitionDetector.h"
#include "knowledge/GraphQueryEngine.h"
#include "knowledge/KnowledgeGraphEngine.h"
#include "knowledge/MCPHubManager.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

namespace {

std::string joinNames(const std::vector<EntityNode>& nodes, std::size_t limit)
{
    std::string joined;
    for (std::size_t i = 0; i < nodes.size() && i < limit; ++i) {
        if (i > 0) {
            joined += ", ";
        }
        joined += nodes[i].name();
    }
    return joined;
}

}  // namespace

ProactiveEngine::ProactiveEngine(ContextTransitionDetector& detector, KnowledgeGraphEngine& graphEngine,
                                 GraphQueryEngine& graphQuery, MCPHubManager& hub, UserDefaults& defaults)
    : detector_(detector), graphEngine_(graphEngine), graphQuery_(graphQuery), hub_(hub), defaults_(defaults)
{
    detector_.setOnContextTransition([this](const std::string& app, const std::string& title, bool idle) {
        handleTransition(app, title, idle);
    });
}

ProactiveEngine::~ProactiveEngine()
{
    detector_.setOnContextTransition({});
}

std::optional<std::string> ProactiveEngine::activeProactiveSuggestion() const
{
    std::lock_guard guard(lock_);
    return activeProactiveSuggestion_;
}

void ProactiveEngine::setActiveProactiveSuggestion(std::optional<std::string> suggestion)
{
    std::lock_guard guard(lock_);
    activeProactiveSuggestion_ = std::move(suggestion);
}

void ProactiveEngine::handleTransition(const std::string& appBundleId, const std::string& windowTitle,
                                       bool isIdleResume)
{
    // Enabled unless a value says otherwise.
    if (defaults_.objectForKey(enabledKey) && !defaults_.boolForKey(enabledKey)) {
        return;
    }
    graphEngine_.ingestCapturedText(windowTitle + " " + appBundleId, appBundleId, std::nullopt);

    // A blank title would match every node: it names no project.
    std::optional<EntityNode> project;
    if (!text::trimmed(windowTitle).empty()) {
        for (const auto& node : graphQuery_.searchEntities(windowTitle)) {
            if (node.type() == EntityType::project) {
                project = node;
                break;
            }
        }
    }
    if (!project) {
        setActiveProactiveSuggestion(std::nullopt);
        return;
    }

    std::vector<EntityNode> decisions, topics, tools, persons;
    for (const auto& node : graphQuery_.getRelatedEntities(project->id(), 2)) {
        if (node.type() == EntityType::decision) {
            decisions.push_back(node);
        } else if (node.type() == EntityType::topic) {
            topics.push_back(node);
        } else if (node.type() == EntityType::tool) {
            tools.push_back(node);
        } else if (node.type() == EntityType::person) {
            persons.push_back(node);
        }
    }

    const auto scores = confidenceScores();
    const auto score = scores.find("project_" + project->id());
    if (score != scores.end() && score->second < suppressionScore) {
        Log::print(fmt::format("🚫 Proactive Suggestion Suppressed for Project: {} due to low score.",
                               project->name()));
        setActiveProactiveSuggestion(std::nullopt);
        return;
    }

    std::vector<std::string> lines;
    lines.push_back((isIdleResume ? "💡 Welcome back! Resumed project: " : "💡 Switched to project: ") +
                    project->name());
    if (!decisions.empty()) {
        lines.push_back("• Open Decision: " + decisions.back().name());
    }
    if (!topics.empty()) {
        lines.push_back("• Active Topics: " + joinNames(topics, 2));
    }
    if (!tools.empty()) {
        lines.push_back("• Tool: " + tools.back().name());
    }
    if (!persons.empty()) {
        lines.push_back("• Team: " + joinNames(persons, 2));
    }
    if (lines.size() < 2) {
        setActiveProactiveSuggestion(std::nullopt);
        return;
    }
    std::string briefing;
    for (const auto& line : lines) {
        briefing += (briefing.empty() ? "" : "\n") + line;
    }
    setActiveProactiveSuggestion(briefing);
    hub_.broadcastContextChange(project->name(), briefing);
}

std::map<std::string, std::int64_t> ProactiveEngine::confidenceScores() const
{
    std::map<std::string, std::int64_t> scores;
    const auto stored = defaults_.dictionaryForKey(confidenceKey);
    if (!stored) {
        return scores;
    }
    for (const auto& [key, value] : *stored) {
        if (const auto* number = value.get<std::int64_t>()) {
            scores[key] = *number;
        }
    }
    return scores;
}

void ProactiveEngine::adjustScore(const std::string& projectId, int delta)
{
    auto scores = confidenceScores();
    const auto key = "project_" + projectId;
    const auto score = scores[key] + delta;
    scores[key] = score;
    DefaultsValue::Dictionary stored;
    for (const auto& [name, value] : scores) {
        stored.emplace(name, DefaultsValue(value));
    }
    defaults_.set(confidenceKey, DefaultsValue(std::move(stored)));
    Log::print(fmt::format("{} Proactive confidence {} for {}: {}", delta > 0 ? "📈" : "📉",
                           delta > 0 ? "increased" : "decreased", key, score));
}

void ProactiveEngine::recordAcceptance(const std::string& projectId)
{
    adjustScore(projectId, 1);
}

void ProactiveEngine::recordRejection(const std::string& projectId)
{
    adjustScore(projectId, -1);
}

void ProactiveEngine::resetFeedbackWeights()
{
    defaults_.set(confidenceKey, DefaultsValue(DefaultsValue::Dictionary{}));
    Log::print("🔄 Proactive feedback scoring weights reset to default.");
}

}  // namespace qm
