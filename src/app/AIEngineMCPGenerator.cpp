#include "app/AIEngineMCPGenerator.h"

#include <algorithm>
#include <exception>
#include <limits>

#include "platform/runtime/CancellationToken.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "suggestions/AIActionType.h"
#include "suggestions/AISuggestionEngine.h"

namespace qm {

namespace {

AIActionType engineAction(const MCPAIGenerator::Action& action)
{
    switch (action.kind) {
    case MCPAIGenerator::Action::Kind::rewrite:
        return AIActionType::rewrite(action.text);
    case MCPAIGenerator::Action::Kind::translate:
        return AIActionType::translate(action.text);
    case MCPAIGenerator::Action::Kind::explain:
        return AIActionType::explain();
    case MCPAIGenerator::Action::Kind::summarize:
        return AIActionType::summarize();
    case MCPAIGenerator::Action::Kind::custom:
        break;
    }
    return AIActionType::custom(action.text);
}

}  // namespace

AIEngineMCPGenerator::AIEngineMCPGenerator(AISuggestionEngine& engine) : engine_(engine) {}

AIEngineMCPGenerator::~AIEngineMCPGenerator()
{
    stopping_.cancel();
}

void AIEngineMCPGenerator::generateAIResponse(const std::string& prompt, const Action& action,
                                              std::int64_t maxTokens, Completion completion)
{
    // The tool's figure goes to the model service as it is; only a figure
    // beyond what the engine's integer holds is brought to its nearest end.
    const int tokens = static_cast<int>(std::clamp<std::int64_t>(maxTokens, std::numeric_limits<int>::min(),
                                                                 std::numeric_limits<int>::max()));
    generations_.async([this, prompt, action, tokens, completion = std::move(completion)] {
        Result result;
        try {
            const AISuggestion answer =
                engine_.generateAIResponse(prompt, engineAction(action), tokens, stopping_);
            result.answer = Answer{answer.text, answer.provider, answer.model, answer.estimatedTokens};
        } catch (...) {
            result.error = std::current_exception();
        }
        completion(std::move(result));
    });
}

}  // namespace qm
