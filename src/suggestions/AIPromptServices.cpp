#include "suggestions/AIPromptServices.h"

#include <utility>

#include "suggestions/AISuggestionEngine.h"

namespace qm {

AIPromptServices AIPromptServices::from(AISuggestionEngine& engine)
{
    return {
        .providerName = [&engine] { return engine.activeProviderName(); },
        .modelName = [&engine] { return engine.activeModelName(); },
        .selectedText = [&engine] { return engine.harvestContext().selectedText; },
        .stream =
            [&engine](const std::string& prompt, const AIActionType& action, int maxTokens,
                      const CancellationToken& cancel, AIStreamHandler handler) {
                engine.streamAIResponse(prompt, action, maxTokens, cancel, std::move(handler));
            },
    };
}

}  // namespace qm
