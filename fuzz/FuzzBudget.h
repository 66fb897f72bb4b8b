#pragma once

// Shared checks of the fuzz targets: a failed property aborts with its name, and
// every parser call must stay within a CPU-time budget.

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <time.h>

namespace qm::fuzz {

inline constexpr double kBudgetSeconds = 0.010;

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

// Runs one call, and up to twice more while it goes over the budget: ICU builds
// some of its tables on first use and other processes share the machine, so
// only a call that is slow every time is a fault.
template <typename Call> auto withinBudget(const char* fuzzer, const char* name, std::size_t size, Call call)
{
    for (int attempt = 0;; ++attempt) {
        const double start = cpuSeconds();
        auto result = call();
        const double spent = cpuSeconds() - start;
        if (spent <= kBudgetSeconds) {
            return result;
        }
        if (attempt == 2) {
            std::fprintf(stderr, "%s: %s took %.1f ms for %zu bytes\n", fuzzer, name, spent * 1000, size);
            std::abort();
        }
    }
}

}  // namespace qm::fuzz
