#include "suggestions/AnthropicService.h"

#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Text.h"
#include "platform/network/HttpStreamClient.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "suggestions/AIServiceKey.h"
#include "suggestions/AnthropicStreamParser.h"

namespace qm {

namespace {

constexpr const char* kMissingKey = "Anthropic API key is missing in Keychain.";

HttpRequest messagesRequest(const std::string& endpoint, const std::string& apiKey,
                            const nlohmann::json& body, double timeout)
{
    HttpRequest request;
    request.method = "POST";
    request.url = endpoint + "/v1/messages";
    request.headers = {{"x-api-key", apiKey},
                       {"anthropic-version", std::string(AnthropicService::kApiVersion)},
                       {"content-type", "application/json"}};
    request.body = json::serialize(body);
    request.idleTimeout = timeout;
    return request;
}

nlohmann::json messagesBody(const std::string& prompt, const std::string& model, int maxTokens)
{
    return {{"model", model},
            {"messages", nlohmann::json::array({{{"role", "user"}, {"content", prompt}}})},
            {"max_tokens", maxTokens}};
}

std::string modelOrDefault(const std::optional<std::string>& model)
{
    return model ? *model : std::string(AnthropicService::kDefaultModel);
}

}  // namespace

AnthropicService::AnthropicService(HttpStreamClient& http, ConcurrentQueue& streams, SecretLoader secrets,
                                   std::string endpoint)
    : exchange_(http, std::string(kErrorDomain)), streams_(streams), secrets_(std::move(secrets)),
      endpoint_(std::move(endpoint))
{
}

std::string AnthropicService::generateResponse(const std::string& prompt,
                                               const std::optional<std::string>& model, int maxTokens,
                                               const CancellationToken& cancel)
{
    const auto apiKey = loadServiceKey(secrets_, kSecretService, kSecretKey);
    if (!apiKey) {
        throw exchange_.error(401, kMissingKey);
    }
    const auto request = messagesRequest(
        endpoint_, *apiKey, messagesBody(prompt, modelOrDefault(model), maxTokens), kRequestTimeout);
    const auto reply = json::parse(exchange_.fetchBody(request, cancel, *apiKey));
    if (!reply) {
        throw AIServiceExchange::invalidJsonError();
    }
    // "content" must be a non-empty array of objects; only the first is read.
    const auto* content = json::arrayAt(*reply, "content");
    if (!content || content->empty() ||
        !std::all_of(content->begin(), content->end(), [](const auto& item) { return item.is_object(); })) {
        throw exchange_.error(500, "Failed to parse response JSON.");
    }
    const auto text = json::stringAt(content->front(), "text");
    if (!text) {
        throw exchange_.error(500, "Failed to parse response JSON.");
    }
    return text::trimmed(*text);
}

void AnthropicService::streamResponse(const std::string& prompt, const std::optional<std::string>& model,
                                      int maxTokens, const CancellationToken& cancel, AIStreamHandler handler)
{
    auto body = messagesBody(prompt, modelOrDefault(model), maxTokens);
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
        AnthropicStreamParser parser;
        exchange.stream(messagesRequest(endpoint, *apiKey, body, kRequestTimeout), cancel, parser,
                        "HTTP Stream Error ", handler, *apiKey);
    });
}

bool AnthropicService::validateApiKey(const std::string& key, const CancellationToken& cancel)
{
    const auto request =
        messagesRequest(endpoint_, key, messagesBody("say ok", std::string(kDefaultModel), 1), kProbeTimeout);
    return exchange_.answersOk(request, cancel);
}

}  // namespace qm
