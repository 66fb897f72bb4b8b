#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/accessibility/AXTextRange.h"
#include "platform/accessibility/AXUIElement.h"
#include "suggestions/SuggestionModel.h"

namespace qm {

class Accessibility;
class AlertPresenter;
class EventTapManager;
class OverlayPanel;
class PlaceholderNavigator;
class SyntheticEventPoster;
class UserDefaults;
class Workspace;

// Writes an accepted suggestion into the focused field of the application in
// front, in place of the part of the word already typed: through an
// Accessibility edit with smart spacing in native applications, checked
// afterwards, else (and whenever the edit cannot be shown to have landed while
// the field is shown to be unchanged) by synthetic keys. Text never lands
// twice, and a fallback never deletes what the user typed before the word.
// A critical mistake warning asks first. Acceptances that insert are counted
// ("suggestionsAcceptedCount", "keystrokesSavedCount"); a snippet's
// "<blanks>" start placeholder mode. Main thread only.
class SuggestionInserter {
public:
    struct Services {
        Accessibility& accessibility;
        Workspace& workspace;
        UserDefaults& defaults;
        AlertPresenter& alerts;
        SyntheticEventPoster& eventPoster;
        EventTapManager& eventTapManager;
        OverlayPanel& panel;
        PlaceholderNavigator& placeholders;
    };

    static constexpr const char* acceptedCountKey = "suggestionsAcceptedCount";
    static constexpr const char* keystrokesSavedKey = "keystrokesSavedCount";
    // "content" (or nothing) inserts a knowledge note's text; anything else its path.
    static constexpr const char* knowledgeInsertModeKey = "knowledgeInsertMode";

    // `countersChanged` runs after an acceptance was counted (the status
    // menu shows the figures); may be empty.
    SuggestionInserter(Services services, std::function<void()> countersChanged);

    void accept(const SuggestionModel& suggestion);

    // Applications whose fields take Accessibility edits reliably.
    static bool isNativeApplication(const std::optional<std::string>& bundleId);

private:
    // What is known of the field around the caret.
    struct Surroundings {
        std::optional<AXUIElement> element;
        // The selection when the acceptance began; nothing when unreadable.
        std::optional<AXTextRange> selection;
        std::int64_t wordStart = 0;
        std::optional<std::string> characterBefore;
        std::optional<std::string> characterAfter;
    };
    // The typed part of the word, in the units each use needs.
    struct Prefix {
        std::size_t characters = 0;  // Delete keys
        std::int64_t units = 0;      // Accessibility ranges
    };
    enum class EditOutcome { inserted, unchanged };

    std::string textToInsert(const SuggestionModel& suggestion) const;
    // True unless the user chose "Ignore" in the mistake warning.
    bool confirmCorrection(const SuggestionModel& suggestion);
    Surroundings readSurroundings(const Prefix& prefix) const;
    EditOutcome editThroughAccessibility(const AXUIElement& element, const Surroundings& around,
                                         const Prefix& prefix, const std::string& finalText);
    // The selection back where the user left it; how many Delete keys then
    // take the typed prefix and nothing before it.
    std::size_t restoreBeforeTyping(const AXUIElement& element, const Surroundings& around,
                                    const Prefix& prefix, bool selectionMoved);
    void startPlaceholders(const std::string& text, const Surroundings& around, const std::string& leading,
                           bool typed);
    void finish(const std::string& text, const Prefix& prefix);

    Services services_;
    std::function<void()> countersChanged_;
};

}  // namespace qm
