#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// What the knowledge layer offers the suggestion provider: the proactive
// project briefing, passages of the user's indexed notes, and the suggestions
// local tools pushed. The app wires it to the knowledge engines, which sit
// above this folder. Called from the provider's queue; each call may block
// while its engine answers.
class SuggestionSources {
public:
    // One passage of an indexed note.
    struct NoteHit {
        std::string title;
        std::string snippet;
        std::string filePath;
    };

    // One suggestion a local tool pushed and that has not expired.
    struct PushedSuggestion {
        std::string title;
        std::optional<std::string> body;
        std::string actionText;
        std::int64_t priority = 0;
    };

    virtual ~SuggestionSources() = default;

    // The current project briefing; nothing when there is none.
    virtual std::optional<std::string> activeProactiveSuggestion() = 0;
    // Hits for the typed text, best first; empty on any failure.
    virtual std::vector<NoteHit> searchNotes(const std::string& text) = 0;
    // Oldest push first.
    virtual std::vector<PushedSuggestion> activePushedSuggestions() = 0;
};

}  // namespace qm
