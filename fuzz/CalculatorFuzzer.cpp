// Random text through the calculator and the expression evaluator under it:
// no crash, no runaway time, no stack exhaustion; a result is finite, and the
// preview agrees with evaluating the same line.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <time.h>

#include "base/Text.h"
#include "targets/CalcExpressionEvaluator.h"
#include "targets/ExpressionEvaluator.h"

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
        std::fprintf(stderr, "CalculatorFuzzer: %s\n", what);
        std::abort();
    }
}

} // namespace

static void exercise(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qm::ExpressionEvaluator::evaluate(text);

    std::optional<std::string> shown;
    try {
        const double value = qm::CalcExpressionEvaluator::evaluate(text);
        check(std::isfinite(value), "non-finite result returned");
        shown = qm::CalcExpressionEvaluator::formatResult(value);
        check(!shown->empty(), "empty result text");
    } catch (const qm::CalcExpressionError&) {
    }
    const auto preview = qm::CalcExpressionEvaluator::previewEvaluate(text);
    if (preview) {
        check(preview == shown, "preview differs from the evaluated result");
    }
}

// An input over the budget is run again: ICU builds some of its tables on first
// use, and only an input that is slow every time is a fault.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (int attempt = 0;; ++attempt) {
        const double start = cpuSeconds();
        exercise(data, size);
        const double spent = cpuSeconds() - start;
        if (spent <= kBudgetSeconds) {
            return 0;
        }
        if (attempt == 1) {
            std::fprintf(stderr, "CalculatorFuzzer: %.1f ms for %zu bytes\n", spent * 1000, size);
            std::abort();
        }
    }
}
