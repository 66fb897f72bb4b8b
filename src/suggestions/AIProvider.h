#pragma once

#include <optional>
#include <string>

#include "platform/runtime/CancellationToken.h"
#include "suggestions/AIStreamHandler.h"

namespace qm {

// A language-model service as the AI engine calls it. Errors are PlatformError
// values in the service's own domain ("AnthropicService",
// "OpenAIService" or "LocalOllamaService"), with 401 for a missing
// key, 500 for a response that is not HTTP or not of the expected shape, and
// otherwise the HTTP status; transport failures are passed on unchanged.
//
// Any thread. Requests watch the caller's token: a cancelled request stops its
// transfer within a few milliseconds and ends with UrlError::cancelled.
class AIProvider {
public:
    virtual ~AIProvider() = default;

    // "Anthropic", "OpenAI" or "Local Ollama".
    virtual const std::string& name() const = 0;
    // True only for a service on the user's own machine.
    virtual bool isLocal() const = 0;

    // The whole reply, trimmed of white space and line breaks. Blocks the calling
    // thread; throws PlatformError. An absent model picks the service's default.
    virtual std::string generateResponse(const std::string& prompt, const std::optional<std::string>& model,
                                         int maxTokens, const CancellationToken& cancel) = 0;

    // Returns at once and never throws: the request runs on the service's stream
    // queue, which calls `handler` from its thread, chunk by chunk as the text
    // arrives (untrimmed, empty pieces included), then once with the end. A
    // failure, or an error reported inside the stream, is the end's failure.
    virtual void streamResponse(const std::string& prompt, const std::optional<std::string>& model,
                                int maxTokens, const CancellationToken& cancel, AIStreamHandler handler) = 0;

    // Whether the service accepts `key` (the local service ignores it and says
    // whether its server answers). Never throws: every failure is false.
    virtual bool validateApiKey(const std::string& key, const CancellationToken& cancel) = 0;
};

}  // namespace qm
