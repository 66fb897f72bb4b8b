// Random text through the calculator and the expression evaluator under it:
// no crash, no stack exhaustion, no call slower than linear in its input; a result is
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

template <typename Text, typename Call> auto linearIn(const char* name, const Text& input, Call call)
{
    return qm::fuzz::linearIn(kName, name, input, call);
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
    const std::string text(reinterpret_cast<const char*>(data), size);
    linearIn("ExpressionEvaluator::evaluate", text,
             [](const std::string& line) { return qm::ExpressionEvaluator::evaluate(line); });

    std::optional<std::string> shown;
    if (const auto value =
            linearIn("evaluate", text, [](const std::string& line) { return evaluate(line); })) {
        check(std::isfinite(*value), "non-finite result returned");
        shown = qm::CalcExpressionEvaluator::formatResult(*value);
        check(!shown->empty(), "empty result text");
    }
    const auto preview = linearIn("previewEvaluate", text, [](const std::string& line) {
        return qm::CalcExpressionEvaluator::previewEvaluate(line);
    });
    check(!preview || preview == shown, "preview differs from the evaluated result");
    return 0;
}
