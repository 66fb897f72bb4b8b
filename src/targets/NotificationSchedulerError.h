#pragma once

#include <string>

#include "base/PlatformError.h"

namespace qm {

// Why a timer or alarm could not be scheduled. `what()` is the sentence the
// user sees as the capture's failure. The domain is "NotificationSchedulerError",
// the code the case.
class NotificationSchedulerError : public PlatformError {
public:
    static constexpr const char* kDomain = "NotificationSchedulerError";

    enum Code { schedulingFailed, permissionDenied, alertsDisabled };

    // `message` is the detail of schedulingFailed; the other two carry none.
    explicit NotificationSchedulerError(Code code, std::string message = {});

    Code code() const { return static_cast<Code>(PlatformError::code()); }
    const std::string& message() const { return message_; }

private:
    std::string message_;
};

}  // namespace qm
