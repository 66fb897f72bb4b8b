#include "suggestions/LocalOllamaService.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Text.h"
#include "platform/network/HttpStreamClient.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "suggestions/OllamaStreamParser.h"

namespace qm {

namespace {

HttpRequest chatRequest(const std::string& endpoint, const std::string& prompt,
                        const std::optional<std::string>& model, int maxTokens, bool stream)
{
    const nlohmann::json body = {
        {"model", model ? *model : std::string(LocalOllamaService::kDefaultModel)},
        {"messages", nlohmann::json::array({{{"role", "user"}, {"content", prompt}}})},
        {"stream", stream},
        {"options", {{"num_predict", maxTokens}}}};
    HttpRequest request;
    request.method = "POST";
    request.url = endpoint + "/api/chat";
    request.headers = {{"Content-Type", "application/json"}};
    request.body = json::serialize(body);
    request.idleTimeout = LocalOllamaService::kChatTimeout;
    return request;
}

}  // namespace

LocalOllamaService::LocalOllamaService(HttpStreamClient& http, ConcurrentQueue& streams, std::string endpoint)
    : exchange_(http, std::string(kErrorDomain)), streams_(streams), endpoint_(std::move(endpoint))
{
}

std::string LocalOllamaService::generateResponse(const std::string& prompt,
                                                 const std::optional<std::string>& model, int maxTokens,
                                                 const CancellationToken& cancel)
{
    const auto reply =
        json::parse(exchange_.fetchBody(chatRequest(endpoint_, prompt, model, maxTokens, false), cancel));
    if (!reply) {
        throw AIServiceExchange::invalidJsonError();
    }
    const auto* message = json::objectAt(*reply, "message");
    const auto content = message ? json::stringAt(*message, "content") : std::nullopt;
    if (!content) {
        throw exchange_.error(500, "Failed to parse Ollama response.");
    }
    return text::trimmed(*content);
}

void LocalOllamaService::streamResponse(const std::string& prompt, const std::optional<std::string>& model,
                                        int maxTokens, const CancellationToken& cancel,
                                        AIStreamHandler handler)
{
    streams_.async([exchange = exchange_, request = chatRequest(endpoint_, prompt, model, maxTokens, true),
                    cancel, handler = std::move(handler)] {
        OllamaStreamParser parser;
        exchange.stream(request, cancel, parser, "HTTP Ollama Stream Error ", handler);
    });
}

bool LocalOllamaService::validateApiKey(const std::string&, const CancellationToken& cancel)
{
    HttpRequest request;
    request.url = endpoint_ + "/api/tags";
    request.idleTimeout = kTagsTimeout;
    return exchange_.answersOk(request, cancel);
}

}  // namespace qm
