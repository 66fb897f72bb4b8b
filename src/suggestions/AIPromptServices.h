#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/runtime/CancellationToken.h"
#include "suggestions/AIActionType.h"
#include "suggestions/AIStreamHandler.h"

namespace qm {

class AISuggestionEngine;

// What the AI prompt asks of the AI engine: the names for the card's header,
// the text selected in the focused field, and a streamed answer. The app
// takes them from AISuggestionEngine (from()); tests script them. Called on
// the main thread; `stream` reports its pieces and its end there too.
struct AIPromptServices {
    using Stream = std::function<void(const std::string& prompt, const AIActionType& action, int maxTokens,
                                      const CancellationToken& cancel, AIStreamHandler handler)>;

    std::function<std::string()> providerName;
    std::function<std::string()> modelName;
    std::function<std::optional<std::string>()> selectedText;
    Stream stream;

    // `engine` must outlive every copy of the result.
    static AIPromptServices from(AISuggestionEngine& engine);
};

}  // namespace qm
