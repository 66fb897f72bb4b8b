#pragma once

#include "suggestions/SuggestionSources.h"

namespace qm {

class KnowledgeSuggestionEngine;
class MCPSuggestionQueue;
class LazyProactiveEngine;

// The suggestion provider's sources, answered by the knowledge engines.
class KnowledgeSuggestionSources final : public SuggestionSources {
public:
    // All three must outlive the sources.
    KnowledgeSuggestionSources(LazyProactiveEngine& proactive, KnowledgeSuggestionEngine& notes,
                               MCPSuggestionQueue& pushed);

    std::optional<std::string> activeProactiveSuggestion() override;
    std::vector<NoteHit> searchNotes(const std::string& text) override;
    std::vector<PushedSuggestion> activePushedSuggestions() override;

private:
    LazyProactiveEngine& proactive_;
    KnowledgeSuggestionEngine& notes_;
    MCPSuggestionQueue& pushed_;
};

}  // namespace qm
