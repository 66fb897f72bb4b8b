#include "app/KnowledgeSuggestionSources.h"

#include "app/LazyProactiveEngine.h"
#include "knowledge/KnowledgeSuggestionEngine.h"
#include "knowledge/MCPSuggestionQueue.h"

namespace qm {

KnowledgeSuggestionSources::KnowledgeSuggestionSources(LazyProactiveEngine& proactive,
                                                       KnowledgeSuggestionEngine& notes,
                                                       MCPSuggestionQueue& pushed)
    : proactive_(proactive), notes_(notes), pushed_(pushed)
{
}

std::optional<std::string> KnowledgeSuggestionSources::activeProactiveSuggestion()
{
    return proactive_.activeProactiveSuggestion();
}

std::vector<SuggestionSources::NoteHit> KnowledgeSuggestionSources::searchNotes(const std::string& text)
{
    std::vector<NoteHit> hits;
    for (KnowledgeSuggestionModel& hit : notes_.search(text)) {
        hits.push_back(NoteHit{std::move(hit.title), std::move(hit.snippet), std::move(hit.filePath)});
    }
    return hits;
}

std::vector<SuggestionSources::PushedSuggestion> KnowledgeSuggestionSources::activePushedSuggestions()
{
    std::vector<PushedSuggestion> pushed;
    for (MCPSuggestionQueue::MCPSuggestion& suggestion : pushed_.getActiveSuggestions()) {
        pushed.push_back(PushedSuggestion{std::move(suggestion.title), std::move(suggestion.body),
                                          std::move(suggestion.actionText), suggestion.priority});
    }
    return pushed;
}

}  // namespace qm
