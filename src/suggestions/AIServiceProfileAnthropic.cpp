#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "suggestions/AIServiceProfile.h"
#include "suggestions/AnthropicStreamParser.h"

namespace qm {

namespace {

constexpr std::string_view kDefaultModel = "claude-3-5-sonnet-20241022";
constexpr std::string_view kApiVersion = "2023-06-01";

}  // namespace

AIServiceProfile AIServiceProfile::anthropic(SecretLoader secrets, std::string endpoint)
{
    const auto messages = [url = endpoint + "/v1/messages"](
                              const std::string& apiKey, const std::string& prompt, const std::string& model,
                              int maxTokens, bool stream, double timeout) {
        auto body = chatBody(prompt, model);
        body["max_tokens"] = maxTokens;
        if (stream) {
            body["stream"] = true;
        }
        return post(url,
                    {{"x-api-key", apiKey},
                     {"anthropic-version", std::string(kApiVersion)},
                     {"content-type", "application/json"}},
                    body, timeout);
    };
    auto profile = cloud("Anthropic", "AnthropicService", std::move(secrets), "anthropic");
    profile.answerRequest = [messages](const auto& prompt, const auto& model, int maxTokens, bool stream,
                                       const auto& apiKey) {
        return messages(apiKey, prompt, model.value_or(std::string(kDefaultModel)), maxTokens, stream,
                        kCloudRequestTimeout);
    };
    // A one-token message.
    profile.probeRequest = [messages](const std::string& key) {
        return messages(key, "say ok", std::string(kDefaultModel), 1, false, kCloudProbeTimeout);
    };
    // Only the first block of "content" is read.
    profile.answerText = [](const nlohmann::json& reply) {
        const auto* block = firstOfObjects(reply, "content");
        return block ? json::stringAt(*block, "text") : std::nullopt;
    };
    profile.streamParser = [] { return std::make_unique<AnthropicStreamParser>(); };
    return profile;
}

}  // namespace qm
