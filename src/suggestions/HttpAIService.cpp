#include "suggestions/HttpAIService.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/Text.h"
#include "platform/network/HttpStreamClient.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "suggestions/AIServiceKey.h"
#include "suggestions/AIStreamParser.h"

namespace qm {

namespace {

// The key a request carries: empty for a service without keys, nothing when a
// cloud service has no usable one.
std::optional<std::string> requestKey(const AIServiceProfile& profile)
{
    if (!profile.apiKey) {
        return std::string();
    }
    return loadServiceKey(profile.apiKey->secrets, profile.apiKey->service, profile.apiKey->key);
}

}  // namespace

HttpAIService::HttpAIService(HttpStreamClient& http, ConcurrentQueue& streams, AIServiceProfile profile)
    : exchange_(http, profile.errorDomain), streams_(streams),
      profile_(std::make_shared<const AIServiceProfile>(std::move(profile)))
{
}

std::string HttpAIService::generateResponse(const std::string& prompt,
                                            const std::optional<std::string>& model, int maxTokens,
                                            const CancellationToken& cancel)
{
    const auto apiKey = requestKey(*profile_);
    if (!apiKey) {
        throw exchange_.error(401, profile_->apiKey->missingMessage);
    }
    const auto request = profile_->answerRequest(prompt, model, maxTokens, false, *apiKey);
    const auto reply = json::parse(exchange_.fetchBody(request, cancel, *apiKey));
    if (!reply) {
        throw AIServiceExchange::invalidJsonError();
    }
    const auto answer = profile_->answerText(*reply);
    if (!answer) {
        throw exchange_.error(500, profile_->shapeError);
    }
    return text::trimmed(*answer);
}

void HttpAIService::streamResponse(const std::string& prompt, const std::optional<std::string>& model,
                                   int maxTokens, const CancellationToken& cancel, AIStreamHandler handler)
{
    streams_.async([exchange = exchange_, profile = profile_, prompt, model, maxTokens, cancel,
                    handler = std::move(handler)] {
        const auto apiKey = requestKey(*profile);
        if (!apiKey) {
            if (handler.onEnd) {
                handler.onEnd(exchange.error(401, profile->apiKey->missingMessage));
            }
            return;
        }
        const auto parser = profile->streamParser();
        exchange.stream(profile->answerRequest(prompt, model, maxTokens, true, *apiKey), cancel, *parser,
                        profile->streamStatusPrefix, handler, *apiKey);
    });
}

bool HttpAIService::validateApiKey(const std::string& key, const CancellationToken& cancel)
{
    return exchange_.answersOk(profile_->probeRequest(key), cancel);
}

}  // namespace qm
