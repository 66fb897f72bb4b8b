#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "targets/CalcExpressionError.h"

namespace qm {

// The arithmetic behind //calc: "15% of 847", "(3+4)*5", "2^3", "2**3".
// The line is normalised (percent phrases, power operators, integer literals),
// checked, and evaluated in floating point throughout ("7/2" is 3.5).
class CalcExpressionEvaluator {
public:
    CalcExpressionEvaluator() = delete;

    // Throws CalcExpressionError only.
    static double evaluate(std::string_view line);

    // The text that is shown and copied: whole values below 1e12 without a
    // fraction ("42"), everything else with six significant digits
    // ("0.333333", "1e+12"); always with a full stop, whatever the locale.
    static std::string formatResult(double value);

    // The live result while the user types; nothing while the line is blank,
    // has no digit, ends in an operator or does not evaluate.
    static std::optional<std::string> previewEvaluate(std::string_view text);
};

}  // namespace qm
