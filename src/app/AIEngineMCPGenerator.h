#pragma once

#include "knowledge/MCPAIGenerator.h"
#include "platform/runtime/CancellationToken.h"
#include "platform/runtime/ConcurrentQueue.h"

namespace qm {

class AISuggestionEngine;

// A local tool's AI request, answered by the AI engine. The engine's
// whole-answer call waits for the model service, so each generation waits on
// a thread of this generator's own, never on one of the tool server's request
// workers: the requests of every connection go on being answered while
// generations are pending. The engine must outlive the generator.
class AIEngineMCPGenerator final : public MCPAIGenerator {
public:
    // Generations waiting for their model service at once; later ones queue.
    static constexpr unsigned kMostAtOnce = 8;

    explicit AIEngineMCPGenerator(AISuggestionEngine& engine);
    // Cancels the generations still pending and waits for them to answer.
    ~AIEngineMCPGenerator() override;
    AIEngineMCPGenerator(const AIEngineMCPGenerator&) = delete;
    AIEngineMCPGenerator& operator=(const AIEngineMCPGenerator&) = delete;

    void generateAIResponse(const std::string& prompt, const Action& action, std::int64_t maxTokens,
                            Completion completion) override;

private:
    AISuggestionEngine& engine_;
    CancellationToken stopping_;
    // Last: it is drained first, while what its tasks use is still there.
    ConcurrentQueue generations_{"com.quillmarker.mcp.aiGenerations", kMostAtOnce};
};

}  // namespace qm
