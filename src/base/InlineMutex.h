#pragma once

#include <atomic>
#include <cstdint>

namespace qm {

// A mutex for the locks every key-down takes on the event tap's thread.
// Uncontended, lock and unlock are one atomic instruction each, inline: a
// std::mutex calls into the C library, and at a person's pace that is one
// more cold page of code per key. Contended, waiters sleep on the word
// (a futex), as a std::mutex's do; the key path's locks are held for a few
// hundred nanoseconds, so that is rare.
//
// Lockable, so std::lock_guard and std::unique_lock take it. Not recursive.
class InlineMutex {
public:
    InlineMutex() = default;
    InlineMutex(const InlineMutex&) = delete;
    InlineMutex& operator=(const InlineMutex&) = delete;

    void lock()
    {
        State expected = unlocked;
        if (!state_.compare_exchange_strong(expected, locked, std::memory_order_acquire,
                                            std::memory_order_relaxed)) [[unlikely]] {
            lockContended();
        }
    }

    bool try_lock()
    {
        State expected = unlocked;
        return state_.compare_exchange_strong(expected, locked, std::memory_order_acquire,
                                              std::memory_order_relaxed);
    }

    void unlock()
    {
        if (state_.exchange(unlocked, std::memory_order_release) == lockedWithWaiters) [[unlikely]] {
            state_.notify_one();
        }
    }

private:
    using State = std::uint32_t;
    static constexpr State unlocked = 0;
    static constexpr State locked = 1;
    // Someone may be asleep on the word: unlock must wake one.
    static constexpr State lockedWithWaiters = 2;

    // Out of line: the key path never runs it unless another thread holds the lock.
    void lockContended();

    std::atomic<State> state_{unlocked};
};

}  // namespace qm
