// Random text through the duration parser: no crash, every call within the time
// budget, and a parsed length always within one minute to 24 hours with its
// display form.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include <time.h>

#include "base/Text.h"
#include "targets/DurationParser.h"

namespace {

constexpr double kBudgetSeconds = 0.010;

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "DurationParserFuzzer: %s\n", what);
        std::abort();
    }
}

// Runs one call, and up to twice more while it goes over the budget: ICU builds
// some of its tables on first use and other processes share the machine, so
// only a call that is slow every time is a fault.
template <typename Call> auto withinBudget(const char* name, std::size_t size, Call call)
{
    for (int attempt = 0;; ++attempt) {
        const double start = cpuSeconds();
        auto result = call();
        const double spent = cpuSeconds() - start;
        if (spent <= kBudgetSeconds) {
            return result;
        }
        if (attempt == 2) {
            std::fprintf(stderr, "DurationParserFuzzer: %s took %.1f ms for %zu bytes\n", name, spent * 1000,
                         size);
            std::abort();
        }
    }
}

std::optional<qm::DurationParseResult> parse(std::string_view text)
{
    try {
        return qm::DurationParser::parse(text);
    } catch (const qm::DurationParserError& error) {
        check(std::strlen(error.what()) > 0, "error without a description");
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto result = withinBudget("parse", size, [&] { return parse(text); })) {
        check(result->interval >= 60 && result->interval <= qm::DurationParser::maxInterval,
              "interval out of range");
        check(result->displayDuration == qm::DurationParser::formatInterval(result->interval),
              "display differs");
        if (result->label) {
            check(!result->label->empty(), "empty label");
            check(qm::text::trimmed(*result->label) == *result->label, "label not trimmed");
        }
    }

    if (size >= sizeof(double)) {
        double seconds = 0;
        std::memcpy(&seconds, data, sizeof seconds);
        check(!qm::DurationParser::formatInterval(seconds).empty(), "empty display");
    }
    return 0;
}
