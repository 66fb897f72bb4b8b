#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "suggestions/AIProvider.h"
#include "suggestions/AIServiceExchange.h"
#include "suggestions/SecretLoader.h"

namespace qm {

class ConcurrentQueue;
class HttpStreamClient;

// The OpenAI chat-completions API ("/v1/chat/completions"). The API key is read from the
// secret store ("QuillmarkerAI" / "openai") at the start of every generate or
// stream request, so a changed key applies from the next request on; it is never
// logged or put into an error. A stream ends at "[DONE]" without waiting for the
// server to close the body. No cache, no retry.
class OpenAIService final : public AIProvider {
public:
    static constexpr std::string_view kEndpoint = "https://api.openai.com";
    static constexpr std::string_view kErrorDomain = "OpenAIService";
    static constexpr std::string_view kDefaultModel = "gpt-4o";
    static constexpr std::string_view kProbeModel = "gpt-4o-mini";
    static constexpr double kTemperature = 0.7;
    static constexpr std::string_view kSecretService = "QuillmarkerAI";
    static constexpr std::string_view kSecretKey = "openai";
    // Idle timeouts, in seconds: no limit on a transfer that keeps moving.
    static constexpr double kRequestTimeout = 15;
    static constexpr double kProbeTimeout = 5;

    // `endpoint` is the scheme and host the paths are appended to (kEndpoint in
    // the program). `http` and `streams` must outlive every request.
    OpenAIService(HttpStreamClient& http, ConcurrentQueue& streams, SecretLoader secrets,
                  std::string endpoint);

    const std::string& name() const override { return name_; }
    bool isLocal() const override { return false; }

    std::string generateResponse(const std::string& prompt, const std::optional<std::string>& model,
                                 int maxTokens, const CancellationToken& cancel) override;
    void streamResponse(const std::string& prompt, const std::optional<std::string>& model, int maxTokens,
                        const CancellationToken& cancel, AIStreamHandler handler) override;
    // A one-token probe with `key` (the stored key is not used): true for 200.
    bool validateApiKey(const std::string& key, const CancellationToken& cancel) override;

private:
    const std::string name_ = "OpenAI";
    AIServiceExchange exchange_;
    ConcurrentQueue& streams_;
    SecretLoader secrets_;
    std::string endpoint_;
};

}  // namespace qm
