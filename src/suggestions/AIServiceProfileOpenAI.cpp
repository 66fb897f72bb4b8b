#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "suggestions/AIServiceProfile.h"
#include "suggestions/OpenAIStreamParser.h"

namespace qm {

namespace {

constexpr std::string_view kDefaultModel = "gpt-4o";
constexpr std::string_view kProbeModel = "gpt-4o-mini";
constexpr double kTemperature = 0.7;

}  // namespace

AIServiceProfile AIServiceProfile::openAI(SecretLoader secrets, std::string endpoint)
{
    const auto completions = [url = endpoint + "/v1/chat/completions"](const std::string& apiKey,
                                                                       nlohmann::json body, int maxTokens,
                                                                       double timeout) {
        body["max_tokens"] = maxTokens;
        return post(url, {{"Authorization", "Bearer " + apiKey}, {"Content-Type", "application/json"}}, body,
                    timeout);
    };
    auto profile = cloud("OpenAI", "OpenAIService", std::move(secrets), "openai");
    // Answers are sampled at kTemperature.
    profile.answerRequest = [completions](const auto& prompt, const auto& model, int maxTokens, bool stream,
                                          const auto& apiKey) {
        auto body = chatBody(prompt, model.value_or(std::string(kDefaultModel)));
        body["temperature"] = kTemperature;
        if (stream) {
            body["stream"] = true;
        }
        return completions(apiKey, std::move(body), maxTokens, kCloudRequestTimeout);
    };
    // A one-token completion by the small model.
    profile.probeRequest = [completions](const std::string& key) {
        return completions(key, chatBody("say ok", std::string(kProbeModel)), 1, kCloudProbeTimeout);
    };
    // Only the first choice is read.
    profile.answerText = [](const nlohmann::json& reply) {
        const auto* choice = firstOfObjects(reply, "choices");
        const auto* message = choice ? json::objectAt(*choice, "message") : nullptr;
        return message ? json::stringAt(*message, "content") : std::nullopt;
    };
    profile.streamParser = [] { return std::make_unique<OpenAIStreamParser>(); };
    return profile;
}

}  // namespace qm
