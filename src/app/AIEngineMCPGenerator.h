#pragma once

#include "knowledge/MCPAIGenerator.h"

namespace qm {

class AISuggestionEngine;
class ConcurrentQueue;

// A local tool's AI request, answered by the AI engine: the engine's
// whole-answer call blocks, so it runs on `queue`, never on the caller's
// thread. The references must outlive the generator.
class AIEngineMCPGenerator final : public MCPAIGenerator {
public:
    AIEngineMCPGenerator(AISuggestionEngine& engine, ConcurrentQueue& queue);

    void generateAIResponse(const std::string& prompt, const Action& action, std::int64_t maxTokens,
                            Completion completion) override;

private:
    AISuggestionEngine& engine_;
    ConcurrentQueue& queue_;
};

}  // namespace qm
