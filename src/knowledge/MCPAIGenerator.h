#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace qm {

// Asks the AI engine for one whole answer on behalf of a local tool. The AI
// engine implements it; the composition root wires it in.
class MCPAIGenerator {
public:
    // What to do with the prompt. `text` is the style of a rewrite, the
    // language of a translation and the instruction of a custom action.
    struct Action {
        enum class Kind { rewrite, translate, custom, explain, summarize };
        Kind kind = Kind::custom;
        std::string text;

        friend bool operator==(const Action&, const Action&) = default;
    };

    struct Answer {
        std::string text;
        std::string provider;
        std::string model;
        std::int64_t estimatedTokens = 0;
    };

    // Exactly one of the two: the answer, or the failure (whose what() is the sentence for the user).
    struct Result {
        std::optional<Answer> answer;
        std::exception_ptr error;
    };
    using Completion = std::function<void(Result)>;

    virtual ~MCPAIGenerator() = default;

    // Generates (or takes from the engine's cache) the answer and hands it to
    // `completion`, exactly once, on any thread. Any thread; several at once.
    virtual void generateAIResponse(const std::string& prompt, const Action& action, std::int64_t maxTokens,
                                    Completion completion) = 0;
};

}  // namespace qm
