#include "suggestions/OpenAIService.h"

#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Text.h"
#include "platform/network/HttpStreamClient.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "suggestions/AIServiceKey.h"
#include "suggestions/OpenAIStreamParser.h"

namespace qm {

namespace {

constexpr const char* kMissingKey = "OpenAI API key is missing in Keychain.";

HttpRequest completionsRequest(const std::string& endpoint, const std::string& apiKey,
                               const nlohmann::json& body, double timeout)
{
    HttpRequest request;
    request.method = "POST";
    request.url = endpoint + "/v1/chat/completions";
    request.headers = {{"Authorization", "Bearer " + apiKey}, {"Content-Type", "application/json"}};
    request.body = json::serialize(body);
    request.idleTimeout = timeout;
    return request;
}

nlohmann::json completionsBody(const std::string& prompt, const std::string& model, int maxTokens)
{
    return {{"model", model},
            {"messages", nlohmann::json::array({{{"role", "user"}, {"content", prompt}}})},
            {"max_tokens", maxTokens}};
}

// Generate and stream requests, with their sampling temperature.
nlohmann::json answerBody(const std::string& prompt, const std::optional<std::string>& model, int maxTokens)
{
    auto body =
        completionsBody(prompt, model ? *model : std::string(OpenAIService::kDefaultModel), maxTokens);
    body["temperature"] = OpenAIService::kTemperature;
    return body;
}

bool isArrayOfObjects(const nlohmann::json* array)
{
    return array &&
           std::all_of(array->begin(), array->end(), [](const auto& item) { return item.is_object(); });
}

}  // namespace

OpenAIService::OpenAIService(HttpStreamClient& http, ConcurrentQueue& streams, SecretLoader secrets,
                             std::string endpoint)
    : exchange_(http, std::string(kErrorDomain)), streams_(streams), secrets_(std::move(secrets)),
      endpoint_(std::move(endpoint))
{
}

std::string OpenAIService::generateResponse(const std::string& prompt,
                                            const std::optional<std::string>& model, int maxTokens,
                                            const CancellationToken& cancel)
{
    const auto apiKey = loadServiceKey(secrets_, kSecretService, kSecretKey);
    if (!apiKey) {
        throw exchange_.error(401, kMissingKey);
    }
    const auto request =
        completionsRequest(endpoint_, *apiKey, answerBody(prompt, model, maxTokens), kRequestTimeout);
    const auto reply = json::parse(exchange_.fetchBody(request, cancel, *apiKey));
    if (!reply) {
        throw AIServiceExchange::invalidJsonError();
    }
    // "choices" must be a non-empty array of objects; only the first is read.
    const auto* choices = json::arrayAt(*reply, "choices");
    if (!isArrayOfObjects(choices) || choices->empty()) {
        throw exchange_.error(500, "Failed to parse response JSON.");
    }
    const auto* message = json::objectAt(choices->front(), "message");
    const auto content = message ? json::stringAt(*message, "content") : std::nullopt;
    if (!content) {
        throw exchange_.error(500, "Failed to parse response JSON.");
    }
    return text::trimmed(*content);
}

void OpenAIService::streamResponse(const std::string& prompt, const std::optional<std::string>& model,
                                   int maxTokens, const CancellationToken& cancel, AIStreamHandler handler)
{
    auto body = answerBody(prompt, model, maxTokens);
    body["stream"] = true;
    streams_.async([exchange = exchange_, secrets = secrets_, endpoint = endpoint_, body = std::move(body),
                    cancel, handler = std::move(handler)] {
        const auto apiKey = loadServiceKey(secrets, kSecretService, kSecretKey);
        if (!apiKey) {
            if (handler.onEnd) {
                handler.onEnd(exchange.error(401, kMissingKey));
            }
            return;
        }
        OpenAIStreamParser parser;
        exchange.stream(completionsRequest(endpoint, *apiKey, body, kRequestTimeout), cancel, parser,
                        "HTTP Stream Error ", handler, *apiKey);
    });
}

bool OpenAIService::validateApiKey(const std::string& key, const CancellationToken& cancel)
{
    const auto request = completionsRequest(
        endpoint_, key, completionsBody("say ok", std::string(kProbeModel), 1), kProbeTimeout);
    return exchange_.answersOk(request, cancel);
}

}  // namespace qm
