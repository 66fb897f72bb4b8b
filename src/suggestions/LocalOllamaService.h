#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "suggestions/AIProvider.h"
#include "suggestions/AIServiceExchange.h"

namespace qm {

class ConcurrentQueue;
class HttpStreamClient;

// An Ollama server on the user's own machine, over plain HTTP and without a key:
// "/api/chat" for answers, "/api/tags" to see whether the server answers.
// Streamed replies are one JSON object per line and end with the body.
class LocalOllamaService final : public AIProvider {
public:
    // Ollama's own default address.
    static constexpr std::string_view kEndpoint = "http://127.0.0.1:11434";
    static constexpr std::string_view kErrorDomain = "LocalOllamaService";
    static constexpr std::string_view kDefaultModel = "llama3";
    // Idle timeouts, in seconds. A model that takes longer than the chat timeout
    // to send its first byte fails with the timeout.
    static constexpr double kChatTimeout = 5;
    static constexpr double kTagsTimeout = 2;

    // `endpoint` is the scheme, host and port the paths are appended to
    // (kEndpoint in the program). `http` and `streams` must outlive every request.
    LocalOllamaService(HttpStreamClient& http, ConcurrentQueue& streams, std::string endpoint);

    const std::string& name() const override { return name_; }
    bool isLocal() const override { return true; }

    std::string generateResponse(const std::string& prompt, const std::optional<std::string>& model,
                                 int maxTokens, const CancellationToken& cancel) override;
    void streamResponse(const std::string& prompt, const std::optional<std::string>& model, int maxTokens,
                        const CancellationToken& cancel, AIStreamHandler handler) override;
    // `key` is ignored: true when the server's model list answers with 200.
    bool validateApiKey(const std::string& key, const CancellationToken& cancel) override;

private:
    const std::string name_ = "Local Ollama";
    AIServiceExchange exchange_;
    ConcurrentQueue& streams_;
    std::string endpoint_;
};

}  // namespace qm
