#pragma once

#include <atomic>
#include <memory>

namespace qm {

// A shared flag that asks work to stop. Copies share one flag, so the caller
// keeps a copy to cancel with and the work polls another.
class CancellationToken {
public:
    CancellationToken() : cancelled_(std::make_shared<std::atomic<bool>>(false)) {}

    // Any thread; cancelling twice is harmless.
    void cancel() const { cancelled_->store(true); }
    bool isCancelled() const { return cancelled_->load(); }

    friend bool operator==(const CancellationToken& a, const CancellationToken& b)
    {
        return a.cancelled_ == b.cancelled_;
    }

private:
    std::shared_ptr<std::atomic<bool>> cancelled_;
};

}  // namespace qm
