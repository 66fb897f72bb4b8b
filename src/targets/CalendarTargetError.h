#pragma once

#include <exception>
#include <string>

namespace qm {

// Why a //calendar line did not become an event. `what()` is the sentence the
// user sees; permissionDenied names "access" and "denied", by which the
// failure guide points to the permission settings.
class CalendarTargetError : public std::exception {
public:
    enum Code { emptyInput, noDateTime, permissionDenied, noWritableCalendar };

    CalendarTargetError(Code code) : code_(code) {}

    Code code() const { return code_; }
    std::string errorDescription() const { return what(); }
    const char* what() const noexcept override;

    bool operator==(const CalendarTargetError& other) const { return code_ == other.code_; }

private:
    Code code_;
};

}  // namespace qm
