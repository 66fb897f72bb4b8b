#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class SuggestionViewModel;

// What the AI prompt card shows, from the content's state and the engine's
// names and selection; the widget only draws it.
struct AIPromptCard {
    static constexpr std::string_view title = "QUILLMARKER AI ASSISTANT";
    static constexpr std::string_view placeholder = "Type instructions (e.g., 'make it professional')...";
    static constexpr std::string_view generateHint =
        "Press [Return] to generate • [Esc] to cancel • [Arrows] to change style";
    static constexpr std::string_view insertHint = "Press [Return] to insert • [Esc] to cancel";
    // A selection this long or longer is cut to 42 characters and "...".
    static constexpr std::size_t excerptLimit = 46;
    static constexpr std::size_t excerptKept = 42;

    struct Action {
        std::string label;
        std::string iconName;
        bool selected = false;

        friend bool operator==(const Action&, const Action&) = default;
    };

    enum class Bottom {
        // Nothing asked yet: the generate hint.
        composing,
        // Generating, answered or failed: the answer (or the error).
        result,
    };

    // The provider in capitals, " • ", the model: "OPENAI • gpt-4o".
    std::string serviceLine;
    // "Selected Context: \"…\"", only for a non-empty selection.
    std::optional<std::string> contextLine;
    // The instruction as typed, or the placeholder while it is empty.
    std::string instruction;
    bool instructionIsPlaceholder = false;
    std::vector<Action> actions;
    Bottom bottom = Bottom::composing;
    // In the result area: the error replaces the answer.
    std::optional<std::string> errorText;
    std::string answer;
    // The spinner while generating, the sparkles mark after.
    bool showsProgress = false;
    // Under an answer (or an error after a partial answer) once it is complete.
    bool showsInsertHint = false;

    static AIPromptCard make(const SuggestionViewModel& model);

    // The selection as the context line quotes it.
    static std::string excerpt(std::string_view selected);
};

}  // namespace qm
