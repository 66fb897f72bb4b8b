#pragma once

#include <exception>
#include <string>

namespace qm {

// Why an //alarm line was refused before anything was scheduled. `what()` is
// the sentence the user sees.
class AlarmTargetError : public std::exception {
public:
    enum Code { emptyInput, noDateTime, dateWithoutTime };

    AlarmTargetError(Code code) : code_(code) {}

    Code code() const { return code_; }
    std::string errorDescription() const { return what(); }
    const char* what() const noexcept override;

    bool operator==(const AlarmTargetError& other) const { return code_ == other.code_; }

private:
    Code code_;
};

}  // namespace qm
