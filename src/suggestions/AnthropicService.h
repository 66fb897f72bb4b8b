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

// The Anthropic messages API ("/v1/messages"). The API key is read from the
// secret store ("QuillmarkerAI" / "anthropic") at the start of every generate or
// stream request, so a changed key applies from the next request on; it is never
// logged or put into an error. No cache, no retry.
class AnthropicService final : public AIProvider {
public:
    static constexpr std::string_view kEndpoint = "https://api.anthropic.com";
    static constexpr std::string_view kErrorDomain = "AnthropicService";
    static constexpr std::string_view kDefaultModel = "claude-3-5-sonnet-20241022";
    static constexpr std::string_view kApiVersion = "2023-06-01";
    static constexpr std::string_view kSecretService = "QuillmarkerAI";
    static constexpr std::string_view kSecretKey = "anthropic";
    // Idle timeouts, in seconds: no limit on a transfer that keeps moving.
    static constexpr double kRequestTimeout = 15;
    static constexpr double kProbeTimeout = 5;

    // `endpoint` is the scheme and host the paths are appended to (kEndpoint in
    // the program). `http` and `streams` must outlive every request.
    AnthropicService(HttpStreamClient& http, ConcurrentQueue& streams, SecretLoader secrets,
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
    const std::string name_ = "Anthropic";
    AIServiceExchange exchange_;
    ConcurrentQueue& streams_;
    SecretLoader secrets_;
    std::string endpoint_;
};

}  // namespace qm
