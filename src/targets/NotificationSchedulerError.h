#pragma once

#include <exception>
#include <string>

namespace qm {

// Why a timer or alarm could not be scheduled. `what()` is the sentence the
// user sees as the capture's failure.
class NotificationSchedulerError : public std::exception {
public:
    enum Code { schedulingFailed, permissionDenied, alertsDisabled };

    // `message` is the detail of schedulingFailed; the other two carry none.
    explicit NotificationSchedulerError(Code code, std::string message = {});

    Code code() const { return code_; }
    const std::string& message() const { return message_; }
    const std::string& errorDescription() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const NotificationSchedulerError& other) const
    {
        return code_ == other.code_ && message_ == other.message_;
    }

private:
    Code code_;
    std::string message_;
    std::string description_;
};

}  // namespace qm
