#pragma once

#include <exception>
#include <string>

namespace qm {

// Why a calculation failed. `what()` and `errorDescription()` give the sentence
// the user sees.
class CalcExpressionError : public std::exception {
public:
    enum Code { emptyInput, invalidExpression, divisionByZero, nonFiniteResult };

    CalcExpressionError(Code code) : code_(code) {}

    Code code() const { return code_; }
    std::string errorDescription() const { return what(); }
    const char* what() const noexcept override;

    bool operator==(const CalcExpressionError& other) const { return code_ == other.code_; }

private:
    Code code_;
};

}  // namespace qm
