#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/network/HttpRequest.h"
#include "suggestions/SecretLoader.h"

namespace qm {

class AIStreamParser;

// What makes one language-model service for HttpAIService: its name, where
// its key comes from, its errors' texts, and its HTTP API (the requests it
// takes, where the answer stands in a whole reply, how a streamed reply
// reads). The functions hold only copies, so a stream may keep them past the
// service. Any thread.
struct AIServiceProfile {
    // Where a cloud service's API key comes from. It is read at the start of
    // every generate or stream request, so a changed key applies from the next
    // request on; it is never logged or put into an error.
    struct ApiKey {
        SecretLoader secrets;
        std::string service;
        std::string key;
        // The 401 error's text when there is no usable key.
        std::string missingMessage;
    };

    // The request for an answer to `prompt`, whole or streamed. An absent model
    // picks the service's default; `apiKey` is empty for a service without one.
    using AnswerRequest =
        std::function<HttpRequest(const std::string& prompt, const std::optional<std::string>& model,
                                  int maxTokens, bool stream, const std::string& apiKey)>;

    // "Anthropic", "OpenAI" or "Local Ollama".
    std::string name;
    bool isLocal = false;
    // The domain of the service's errors.
    std::string errorDomain;
    // The 500 error's text for a whole reply of the wrong shape.
    std::string shapeError;
    // A streamed reply's error for a status other than 200 is this and the status.
    std::string streamStatusPrefix;
    // Nothing for a service without keys.
    std::optional<ApiKey> apiKey;

    AnswerRequest answerRequest;
    // The cheapest request whose 200 says that `key` is accepted (or, for a
    // service without keys, that the server answers).
    std::function<HttpRequest(const std::string& key)> probeRequest;
    // The answer in a whole reply; nothing when the reply is of another shape.
    std::function<std::optional<std::string>(const nlohmann::json& reply)> answerText;
    // A reader for one streamed reply.
    std::function<std::unique_ptr<AIStreamParser>()> streamParser;

    static constexpr std::string_view kAnthropicEndpoint = "https://api.anthropic.com";
    static constexpr std::string_view kOpenAIEndpoint = "https://api.openai.com";
    // Ollama's own default address.
    static constexpr std::string_view kOllamaEndpoint = "http://127.0.0.1:11434";

    // The services the program knows. `endpoint` is the scheme and host (and
    // port) the paths are appended to: the constant above in the program.
    //
    // The Anthropic messages API ("/v1/messages"), its key under
    // ("QuillmarkerAI", "anthropic"); the reply ends with the body.
    static AIServiceProfile anthropic(SecretLoader secrets, std::string endpoint);
    // The OpenAI chat-completions API ("/v1/chat/completions"), its key under
    // ("QuillmarkerAI", "openai"); a stream ends at "[DONE]" without waiting
    // for the server to close the body.
    static AIServiceProfile openAI(SecretLoader secrets, std::string endpoint);
    // An Ollama server on the user's own machine, over plain HTTP and without a
    // key: "/api/chat" for answers, "/api/tags" to see whether the server
    // answers; the reply ends with the body.
    static AIServiceProfile localOllama(std::string endpoint);

private:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    // The cloud services' idle timeouts, in seconds: no limit on a transfer
    // that keeps moving.
    static constexpr double kCloudRequestTimeout = 15;
    static constexpr double kCloudProbeTimeout = 5;

    // A cloud service's profile without its API: "<name> API key is missing in
    // Keychain." without a key, and the errors' texts the cloud services share.
    static AIServiceProfile cloud(std::string name, std::string errorDomain, SecretLoader secrets,
                                  std::string secretKey);
    // A POST of `body` as JSON text; `headers`, in this order, name its type.
    static HttpRequest post(std::string url, Headers headers, const nlohmann::json& body, double idleTimeout);
    // A chat that is one user message, `prompt`, to `model`.
    static nlohmann::json chatBody(const std::string& prompt, const std::string& model);
    // The first item of the member `key` of `reply` when that member is a
    // non-empty array of objects only; nothing otherwise.
    static const nlohmann::json* firstOfObjects(const nlohmann::json& reply, std::string_view key);
};

}  // namespace qm
