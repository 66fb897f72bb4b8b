#include "base/InlineMutex.h"

#include <immintrin.h>

namespace qm {

void InlineMutex::lockContended()
{
    // A key-path lock is held briefly: spin a little before sleeping.
    for (int spin = 0; spin < 64; ++spin) {
        _mm_pause();
        State expected = unlocked;
        if (state_.load(std::memory_order_relaxed) == unlocked &&
            state_.compare_exchange_weak(expected, locked, std::memory_order_acquire,
                                         std::memory_order_relaxed)) {
            return;
        }
    }
    // From here on the lock is taken as lockedWithWaiters: whether others are
    // still asleep is not known, so the unlock after ours must wake one.
    while (state_.exchange(lockedWithWaiters, std::memory_order_acquire) != unlocked) {
        state_.wait(lockedWithWaiters, std::memory_order_relaxed);
    }
}

}  // namespace qm
