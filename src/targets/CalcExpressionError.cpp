#include "targets/CalcExpressionError.h"

namespace qm {

CalcExpressionError::CalcExpressionError(Code code) : PlatformError(kDomain, code, describe(code)) {}

const char* CalcExpressionError::describe(Code code)
{
    switch (code) {
    case emptyInput:
        return "Calculation text is empty. Try: 2+2 or 15% of 847";
    case invalidExpression:
        return "Could not parse that calculation. Try: 2+2, (3+4)*5, 2^3, or 15% of 847";
    case divisionByZero:
        return "Division by zero is not allowed.";
    case nonFiniteResult:
        return "Calculation result is too large or undefined.";
    }
    return "Could not parse that calculation. Try: 2+2, (3+4)*5, 2^3, or 15% of 847";
}

}  // namespace qm
