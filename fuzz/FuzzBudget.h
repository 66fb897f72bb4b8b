#pragma once

// Shared checks of the fuzz targets: a failed property aborts with its name, and
// a parser's time must grow no faster than its input.
//
// An absolute budget per call does not work here: sanitizers slow the parsers
// down tenfold and the machine is shared with builds, so a linear parser went
// over any fixed budget on 2 KB inputs. What matters is the shape of the cost,
// so a call that takes measurable time is repeated on the same input sixteen
// times over: a linear parser spends about 16× as long, a quadratic one 256×.
// (Instruction counts of the parsers grow exactly 8× for an 8× input, but
// their time inside a long fuzzing process, with sanitizers, grew up to 42×:
// the allocator and caches, not the parser. Sixteenfold keeps a factor of two
// between that and a quadratic parser.)

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <time.h>

namespace qm::fuzz {

// Below this a call is too short to compare with its fourfold input.
inline constexpr double kMeasurableSeconds = 0.001;
// Any call above this is a hang, whatever its size.
inline constexpr double kHangSeconds = 2.0;
inline constexpr int kScale = 16;
inline constexpr double kMaxGrowth = 128.0;

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
// time, the same input repeated kScale times must take at most kMaxGrowth
// times as long. Noise only ever adds time, so each side keeps its fastest of
// up to three measurements before a pair counts as a fault.
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
    Text scaled;
    scaled.reserve(input.size() * kScale);
    for (int i = 0; i < kScale; ++i) {
        scaled += input;
    }
    double scaledTime = timed(scaled, call);
    for (int attempt = 1;; ++attempt) {
        const double growth = scaledTime / std::max(once, kMeasurableSeconds);
        if (growth <= kMaxGrowth) {
            return result;
        }
        if (attempt == 3) {
            std::fprintf(stderr, "%s: %s grew %.1f× from %zu to %zu units\n", fuzzer, name, growth,
                         input.size(), scaled.size());
            std::abort();
        }
        once = std::min(once, timed(input, call));
        scaledTime = std::min(scaledTime, timed(scaled, call));
    }
}

}  // namespace qm::fuzz
