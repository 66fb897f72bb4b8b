#pragma once

// Runs the three language-model services against a scripted server on
// 127.0.0.1, with the program's real HTTP client, and waits (boundedly) for
// their streams.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/linux/network/CurlHttpStreamClient.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "suggestions/HttpAIService.h"
#include "support/FakeStreamServer.h"

namespace qm::test {

enum class ServiceKind { anthropic, openai, ollama };

// What tells the three services apart in a table of cases.
struct ServiceTraits {
    ServiceKind kind;
    const char* name;
    std::string domain;
    std::string path;
    std::string streamStatusPrefix;
    std::string shapeError;
    std::string missingKeyMessage;

    // A whole reply carrying `text`.
    std::string wholeReply(const std::string& text) const
    {
        switch (kind) {
        case ServiceKind::anthropic:
            return nlohmann::json{{"content", {{{"type", "text"}, {"text", text}}}}}.dump();
        case ServiceKind::openai:
            return nlohmann::json{{"choices", {{{"message", {{"role", "assistant"}, {"content", text}}}}}}}
                .dump();
        case ServiceKind::ollama:
            break;
        }
        return nlohmann::json{{"message", {{"role", "assistant"}, {"content", text}}}, {"done", true}}.dump();
    }

    // The line that carries one piece of a streamed reply, with its line break.
    std::string pieceLine(const std::string& text, const std::string& lineBreak = "\n") const
    {
        switch (kind) {
        case ServiceKind::anthropic:
            return "event: content_block_delta" + lineBreak + "data: " +
                   nlohmann::json{{"type", "content_block_delta"},
                                  {"index", 0},
                                  {"delta", {{"type", "text_delta"}, {"text", text}}}}
                       .dump() +
                   lineBreak + lineBreak;
        case ServiceKind::openai:
            return "data: " +
                   nlohmann::json{{"choices", {{{"index", 0}, {"delta", {{"content", text}}}}}}}.dump() +
                   lineBreak + lineBreak;
        case ServiceKind::ollama:
            break;
        }
        return nlohmann::json{{"message", {{"role", "assistant"}, {"content", text}}}, {"done", false}}
                   .dump() +
               lineBreak;
    }

    // What ends a streamed reply normally, before the body closes.
    std::string endLines() const
    {
        switch (kind) {
        case ServiceKind::anthropic:
            return "event: message_stop\ndata: {\"type\":\"message_stop\"}\n\n";
        case ServiceKind::openai:
            return "data: [DONE]\n\n";
        case ServiceKind::ollama:
            break;
        }
        return "{\"done\":true}\n";
    }
};

inline const ServiceTraits& traitsOf(ServiceKind kind)
{
    static const ServiceTraits anthropic{ServiceKind::anthropic,
                                         "Anthropic",
                                         "AnthropicService",
                                         "/v1/messages",
                                         "HTTP Stream Error ",
                                         "Failed to parse response JSON.",
                                         "Anthropic API key is missing in Keychain."};
    static const ServiceTraits openai{ServiceKind::openai,
                                      "OpenAI",
                                      "OpenAIService",
                                      "/v1/chat/completions",
                                      "HTTP Stream Error ",
                                      "Failed to parse response JSON.",
                                      "OpenAI API key is missing in Keychain."};
    static const ServiceTraits ollama{ServiceKind::ollama,
                                      "Local Ollama",
                                      "LocalOllamaService",
                                      "/api/chat",
                                      "HTTP Ollama Stream Error ",
                                      "Failed to parse Ollama response.",
                                      ""};
    switch (kind) {
    case ServiceKind::anthropic:
        return anthropic;
    case ServiceKind::openai:
        return openai;
    case ServiceKind::ollama:
        break;
    }
    return ollama;
}

inline const ServiceKind kAllServices[] = {ServiceKind::anthropic, ServiceKind::openai, ServiceKind::ollama};

inline std::string serviceName(ServiceKind kind)
{
    return kind == ServiceKind::anthropic ? "Anthropic" : kind == ServiceKind::openai ? "OpenAI" : "Ollama";
}

// The real client, remembering each request as the services built it.
class RecordingHttpClient final : public HttpStreamClient {
public:
    explicit RecordingHttpClient(HttpStreamClient& inner) : inner_(inner) {}

    std::optional<PlatformError> perform(const HttpRequest& request, const CancellationToken& cancel,
                                         HttpStreamReceiver& receiver) override
    {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        return inner_.perform(request, cancel, receiver);
    }

    std::vector<HttpRequest> requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    HttpStreamClient& inner_;
    mutable std::mutex mutex_;
    std::vector<HttpRequest> requests_;
};

// The pieces and the end of one stream, as its handler saw them. The handler
// shares the record, so a stream that outlives a failed test touches nothing
// that is gone.
class StreamRecorder {
public:
    AIStreamHandler handler() const
    {
        return {[state = state_](const std::string& chunk) {
                    std::lock_guard lock(state->mutex);
                    state->chunks.push_back(chunk);
                    if (state->afterChunk) {
                        state->afterChunk(state->chunks.size());
                    }
                },
                [state = state_](const std::optional<PlatformError>& failure) {
                    std::lock_guard lock(state->mutex);
                    ++state->ends;
                    state->failure = failure;
                    state->ended.notify_all();
                }};
    }

    // Waits up to `seconds` for the end; true when it came.
    bool waitForEnd(double seconds = 5) const
    {
        std::unique_lock lock(state_->mutex);
        return state_->ended.wait_for(lock, std::chrono::duration<double>(seconds),
                                      [this] { return state_->ends > 0; });
    }

    std::vector<std::string> chunks() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->chunks;
    }
    std::string text() const
    {
        std::string all;
        for (const auto& chunk : chunks()) {
            all += chunk;
        }
        return all;
    }
    std::optional<PlatformError> failure() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->failure;
    }
    int ends() const
    {
        std::lock_guard lock(state_->mutex);
        return state_->ends;
    }

    // Runs under the record's lock after each piece, with the count so far.
    void setAfterChunk(std::function<void(std::size_t)> step) const
    {
        std::lock_guard lock(state_->mutex);
        state_->afterChunk = std::move(step);
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable ended;
        std::vector<std::string> chunks;
        std::optional<PlatformError> failure;
        int ends = 0;
        std::function<void(std::size_t)> afterChunk;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

class AIServiceRig {
public:
    static constexpr const char* kAnthropicKey = "sk-ant-test-0001";
    static constexpr const char* kOpenAIKey = "sk-openai-test-0002";

    AIServiceRig()
    {
        secrets_[{"QuillmarkerAI", "anthropic"}] = kAnthropicKey;
        secrets_[{"QuillmarkerAI", "openai"}] = kOpenAIKey;
    }

    // Replaces a stored secret; nothing removes it.
    void storeSecret(const std::string& key, std::optional<std::string> bytes)
    {
        std::lock_guard lock(secretsMutex_);
        if (bytes) {
            secrets_[{"QuillmarkerAI", key}] = *bytes;
        } else {
            secrets_.erase({"QuillmarkerAI", key});
        }
    }

    SecretLoader secretLoader()
    {
        return [this](std::string_view service, std::string_view key) -> std::optional<std::string> {
            std::lock_guard lock(secretsMutex_);
            const auto found = secrets_.find({std::string(service), std::string(key)});
            if (found == secrets_.end()) {
                return std::nullopt;
            }
            return found->second;
        };
    }

    std::unique_ptr<AIProvider> make(ServiceKind kind, std::string endpoint = {})
    {
        if (endpoint.empty()) {
            endpoint = server.baseUrl();
        }
        return std::make_unique<HttpAIService>(http, streams, profile(kind, std::move(endpoint)));
    }

    // The program's own profile of the service, reading the rig's secrets.
    AIServiceProfile profile(ServiceKind kind, std::string endpoint)
    {
        switch (kind) {
        case ServiceKind::anthropic:
            return AIServiceProfile::anthropic(secretLoader(), std::move(endpoint));
        case ServiceKind::openai:
            return AIServiceProfile::openAI(secretLoader(), std::move(endpoint));
        case ServiceKind::ollama:
            break;
        }
        return AIServiceProfile::localOllama(std::move(endpoint));
    }

    FakeStreamServer server;
    CurlHttpStreamClient curl;
    RecordingHttpClient http{curl};

private:
    std::mutex secretsMutex_;
    std::map<std::pair<std::string, std::string>, std::string> secrets_;

public:
    // Declared last: destroyed first, waiting for the streams still running.
    ConcurrentQueue streams{"com.quillmarker.test.aiStreams", 4};
};

}  // namespace qm::test
