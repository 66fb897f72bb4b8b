#pragma once

// Shared checks of the fuzz targets: a failed property aborts with its name, and
// a parser's time must grow no faster than its input.
//
// An absolute budget per call does not work here: sanitizers slow the parsers
// down tenfold and the machine is shared with builds, so a linear parser went
// over any fixed budget on 2 KB inputs. What matters is the shape of the cost,
// so a call that takes measurable time is repeated on the same input four times
// over: a linear parser spends about 4× as long, a quadratic one about 16×.

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <time.h>

namespace qm::fuzz {

// Below this a call is too short to compare with its fourfold input.
inline constexpr double kMeasurableSeconds = 0.0005;
// Any call above this is a hang, whatever its size.
inline constexpr double kHangSeconds = 2.0;
// Fourfold input: linear ≈ 4, quadratic ≈ 16; the margin absorbs noise.
inline constexpr double kMaxGrowth = 10.0;

inline double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

inline void check(const char* fuzzer, bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "%s: %s\n", fuzzer, what);
        std::abort();
    }
}

template <typename Text, typename Call> double timed(const Text& input, Call& call)
{
    const double start = cpuSeconds();
    (void)call(input);
    return cpuSeconds() - start;
}

// Runs `call(input)` and returns its result. When the call takes measurable
// time, the same input repeated four times must take at most kMaxGrowth times
// as long; a pair that fails is measured twice more before it counts, since
// ICU builds tables on first use and other processes share the machine.
template <typename Text, typename Call>
auto linearIn(const char* fuzzer, const char* name, const Text& input, Call call)
{
    const double start = cpuSeconds();
    auto result = call(input);
    double once = cpuSeconds() - start;
    if (once > kHangSeconds) {
        std::fprintf(stderr, "%s: %s took %.1f ms for %zu units\n", fuzzer, name, once * 1000, input.size());
        std::abort();
    }
    if (once < kMeasurableSeconds) {
        return result;
    }
    Text fourfold;
    fourfold.reserve(input.size() * 4);
    for (int i = 0; i < 4; ++i) {
        fourfold += input;
    }
    double growth = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) {
            once = timed(input, call);
        }
        growth = timed(fourfold, call) / std::max(once, kMeasurableSeconds);
        if (growth <= kMaxGrowth) {
            return result;
        }
    }
    std::fprintf(stderr, "%s: %s grew %.1f× from %zu to %zu units\n", fuzzer, name, growth, input.size(),
                 fourfold.size());
    std::abort();
}

}  // namespace qm::fuzz
