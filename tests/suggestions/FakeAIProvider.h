#pragma once

// A language-model service that answers from a script and remembers what it
// was asked; its streams run on threads of their own, as the real ones do.

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "suggestions/AIProvider.h"

namespace qm::test {

class FakeAIProvider final : public AIProvider {
public:
    struct Call {
        std::string prompt;
        std::optional<std::string> model;
        int maxTokens = 0;
        bool streamed = false;
    };

    explicit FakeAIProvider(std::string name) : name_(std::move(name)) {}

    ~FakeAIProvider() override
    {
        for (auto& thread : threads_) {
            thread.join();
        }
    }

    const std::string& name() const override { return name_; }
    bool isLocal() const override { return false; }

    std::string generateResponse(const std::string& prompt, const std::optional<std::string>& model,
                                 int maxTokens, const CancellationToken&) override
    {
        const Call call = record(prompt, model, maxTokens, false);
        std::lock_guard lock(mutex_);
        if (failure) {
            throw *failure;
        }
        return answer ? answer(call) : std::string("answer");
    }

    void streamResponse(const std::string& prompt, const std::optional<std::string>& model, int maxTokens,
                        const CancellationToken& cancel, AIStreamHandler handler) override
    {
        record(prompt, model, maxTokens, true);
        std::lock_guard lock(mutex_);
        threads_.emplace_back([chunks = streamChunks, end = failure, cancel, handler = std::move(handler)] {
            for (const auto& chunk : chunks) {
                if (!cancel.isCancelled() && handler.onChunk) {
                    handler.onChunk(chunk);
                }
            }
            if (handler.onEnd) {
                handler.onEnd(end);
            }
        });
    }

    bool validateApiKey(const std::string&, const CancellationToken&) override { return true; }

    std::vector<Call> calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

    // Script; set before the calls it is meant for.
    std::function<std::string(const Call&)> answer;
    std::vector<std::string> streamChunks;
    std::optional<PlatformError> failure;

private:
    Call record(const std::string& prompt, const std::optional<std::string>& model, int maxTokens,
                bool streamed)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back({prompt, model, maxTokens, streamed});
        return calls_.back();
    }

    const std::string name_;
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    std::vector<std::thread> threads_;
};

}  // namespace qm::test
