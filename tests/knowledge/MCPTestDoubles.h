#pragma once

#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/AesGcm.h"
#include "base/Base64.h"
#include "knowledge/MCPAIGenerator.h"
#include "knowledge/MCPMemorySealer.h"

namespace qm::test {

// Seals as field memory does (AES-GCM, Base64 of the combined box) under a fixed key.
class TestMemorySealer : public MCPMemorySealer {
public:
    static inline const std::string key = std::string(32, '\x2a');

    std::optional<std::string> encrypt(std::string_view text) override
    {
        if (throws) {
            throw std::runtime_error("sealer exploded");
        }
        if (fails) {
            return std::nullopt;
        }
        std::error_code error;
        const auto box = AesGcm::seal(key, text, error);
        return box ? std::optional(Base64::encode(*box)) : std::nullopt;
    }

    static std::optional<std::string> open(const std::string& sealed)
    {
        const auto box = Base64::decode(sealed);
        std::error_code error;
        return box ? AesGcm::open(key, *box, error) : std::nullopt;
    }

    bool fails = false;
    bool throws = false;
};

// Records each request; answers at once with `next`, or later through answerPending().
class TestAIGenerator : public MCPAIGenerator {
public:
    struct Call {
        std::string prompt;
        Action action;
        std::int64_t maxTokens;
    };

    void generateAIResponse(const std::string& prompt, const Action& action, std::int64_t maxTokens,
                            Completion completion) override
    {
        {
            const std::lock_guard guard(mutex);
            calls.push_back({prompt, action, maxTokens});
        }
        if (throwsBefore) {
            throw std::runtime_error("engine exploded");
        }
        if (deferred) {
            const std::lock_guard guard(mutex);
            pending = std::move(completion);
            return;
        }
        completion(next);
        if (throwsAfter) {
            throw std::runtime_error("engine exploded after answering");
        }
    }

    void answerPending()
    {
        Completion completion;
        {
            const std::lock_guard guard(mutex);
            completion = std::move(pending);
        }
        completion(next);
    }

    std::mutex mutex;
    std::vector<Call> calls;
    Result next{Answer{"Bonjour", "OpenAI", "gpt-4o-mini", 12}, nullptr};
    bool deferred = false;
    bool throwsBefore = false;
    bool throwsAfter = false;
    Completion pending;
};

}  // namespace qm::test
