#pragma once

#include <optional>
#include <string_view>

namespace qm {

// Arithmetic over floating-point literals: "+", "-", "*", "/" and "**" (power),
// parentheses and unary minus, with the usual precedence. "**" binds tighter
// than "*" and "/" and than a unary minus ("-2**2" is -4) and groups from the
// right ("2**3**2" is 512). Division by zero follows IEEE 754 and yields an
// infinity or NaN rather than a failure.
//
// Text that does not parse as a whole, and nesting deeper than `maxDepth`
// levels (parentheses, signs and exponents each count), gives nothing.
class ExpressionEvaluator {
public:
    ExpressionEvaluator() = delete;

    static constexpr int maxDepth = 256;

    static std::optional<double> evaluate(std::string_view text);
};

}  // namespace qm
