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

#include "FuzzBudget.h"
#include "targets/CalcExpressionEvaluator.h"
#include "targets/ExpressionEvaluator.h"

namespace {

constexpr const char* kName = "CalculatorFuzzer";

void check(bool condition, const char* what)
{
    qm::fuzz::check(kName, condition, what);
}

template <typename Call> auto withinBudget(const char* name, std::size_t size, Call call)
{
    return qm::fuzz::withinBudget(kName, name, size, call);
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
