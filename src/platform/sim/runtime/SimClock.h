#pragma once

#include <atomic>

#include "platform/runtime/Clock.h"

namespace qm {

// A clock that stands still until a test moves it. Safe to read from any thread.
class SimClock final : public Clock {
public:
    // 2023-11-14 22:13:20 UTC: a fixed, ordinary date unless a test picks another.
    static constexpr double kDefaultStart = 1'700'000'000.0;

    explicit SimClock(double start = kDefaultStart);

    double now() const override;

    void set(double secondsSince1970);
    void advance(double seconds);

private:
    std::atomic<double> now_;
};

}  // namespace qm
