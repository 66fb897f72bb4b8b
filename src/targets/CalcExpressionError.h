#pragma once

#include "base/PlatformError.h"

namespace qm {

// Why a calculation failed. `what()` and `errorDescription()` give the sentence
// the user sees. The domain is "CalcExpressionError", the code the case.
class CalcExpressionError : public PlatformError {
public:
    static constexpr const char* kDomain = "CalcExpressionError";

    enum Code { emptyInput, invalidExpression, divisionByZero, nonFiniteResult };

    CalcExpressionError(Code code);

    Code code() const { return static_cast<Code>(PlatformError::code()); }

private:
    static const char* describe(Code code);
};

}  // namespace qm
