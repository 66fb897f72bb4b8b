#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "suggestions/AIServiceProfile.h"
#include "suggestions/OllamaStreamParser.h"

namespace qm {

namespace {

constexpr std::string_view kDefaultModel = "llama3";
// Idle timeouts, in seconds. A model that takes longer than the chat timeout
// to send its first byte fails with the timeout.
constexpr double kChatTimeout = 5;
constexpr double kTagsTimeout = 2;

}  // namespace

AIServiceProfile AIServiceProfile::localOllama(std::string endpoint)
{
    AIServiceProfile profile;
    profile.name = "Local Ollama";
    profile.isLocal = true;
    profile.errorDomain = "LocalOllamaService";
    profile.shapeError = "Failed to parse Ollama response.";
    profile.streamStatusPrefix = "HTTP Ollama Stream Error ";
    profile.answerRequest = [url = endpoint + "/api/chat"](const auto& prompt, const auto& model,
                                                           int maxTokens, bool stream, const auto&) {
        auto body = chatBody(prompt, model.value_or(std::string(kDefaultModel)));
        body["stream"] = stream;
        body["options"] = {{"num_predict", maxTokens}};
        return post(url, {{"Content-Type", "application/json"}}, body, kChatTimeout);
    };
    // The model list; the key is ignored.
    profile.probeRequest = [url = endpoint + "/api/tags"](const std::string&) {
        HttpRequest request;
        request.url = url;
        request.idleTimeout = kTagsTimeout;
        return request;
    };
    profile.answerText = [](const nlohmann::json& reply) {
        const auto* message = json::objectAt(reply, "message");
        return message ? json::stringAt(*message, "content") : std::nullopt;
    };
    profile.streamParser = [] { return std::make_unique<OllamaStreamParser>(); };
    return profile;
}

}  // namespace qm
