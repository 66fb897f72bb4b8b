#pragma once

#include <exception>
#include <string>

namespace qm {

// Why a timer text could not be read. `what()` and `errorDescription()` give
// the sentence the user sees.
class DurationParserError : public std::exception {
public:
    enum Code { emptyInput, invalidFormat, nonPositiveDuration, belowMinimum, exceedsMaximum };

    DurationParserError(Code code) : code_(code) {}

    Code code() const { return code_; }
    std::string errorDescription() const { return what(); }
    const char* what() const noexcept override;

    bool operator==(const DurationParserError& other) const { return code_ == other.code_; }

private:
    Code code_;
};

}  // namespace qm
