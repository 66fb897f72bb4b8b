#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "knowledge/MCPConnectionSink.h"

namespace qm::test {

// A connection that keeps what would have been written, and can fail its sends.
class RecordingConnection : public MCPConnectionSink {
public:
    // The completion runs before the message counts as come, so a waiter sees its effects.
    void send(std::string bytes, SendCompletion completion) override
    {
        std::optional<SendError> error;
        {
            const std::lock_guard guard(mutex_);
            error = failure_;
        }
        if (completion) {
            completion(error);
        }
        {
            const std::lock_guard guard(mutex_);
            messages_.push_back(std::move(bytes));
        }
        changed_.notify_all();
    }

    void skipReply() override
    {
        {
            const std::lock_guard guard(mutex_);
            ++skipped_;
        }
        changed_.notify_all();
    }

    void failSends(SendError error)
    {
        const std::lock_guard guard(mutex_);
        failure_ = std::move(error);
    }

    // Waits (up to five seconds of real time) until `count` messages have come.
    std::vector<std::string> waitFor(std::size_t count)
    {
        std::unique_lock guard(mutex_);
        changed_.wait_for(guard, std::chrono::seconds(5), [&] { return messages_.size() >= count; });
        return messages_;
    }

    std::vector<std::string> messages()
    {
        const std::lock_guard guard(mutex_);
        return messages_;
    }

    // Waits (up to five seconds of real time) until `count` messages and skipped replies have come.
    void waitForSettled(std::size_t count)
    {
        std::unique_lock guard(mutex_);
        changed_.wait_for(guard, std::chrono::seconds(5),
                          [&] { return messages_.size() + skipped_ >= count; });
    }

    std::size_t skipped()
    {
        const std::lock_guard guard(mutex_);
        return skipped_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
    std::optional<SendError> failure_;
    std::size_t skipped_ = 0;
};

}  // namespace qm::test
