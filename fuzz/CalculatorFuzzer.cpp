// Random text through the calculator and the expression evaluator under it:
// no crash, no stack exhaustion, every call within the time budget; a result is
// finite, and the preview agrees with evaluating the same line.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <time.h>

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
            std::fprintf(stderr, "CalculatorFuzzer: %s took %.1f ms for %zu bytes\n", name, spent * 1000,
                         size);
            std::abort();
        }
    }
}

std::optional<double> evaluate(std::string_view text)
{
    try {
        return qm::CalcExpressionEvaluator::evaluate(text);
    } catch (const qm::CalcExpressionError&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    withinBudget("ExpressionEvaluator::evaluate", size,
                 [&] { return qm::ExpressionEvaluator::evaluate(text); });

    std::optional<std::string> shown;
    if (const auto value = withinBudget("evaluate", size, [&] { return evaluate(text); })) {
        check(std::isfinite(*value), "non-finite result returned");
        shown = qm::CalcExpressionEvaluator::formatResult(*value);
        check(!shown->empty(), "empty result text");
    }
    const auto preview = withinBudget("previewEvaluate", size,
                                      [&] { return qm::CalcExpressionEvaluator::previewEvaluate(text); });
    check(!preview || preview == shown, "preview differs from the evaluated result");
    return 0;
}
