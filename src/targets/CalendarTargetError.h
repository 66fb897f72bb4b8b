#pragma once

#include "base/PlatformError.h"

namespace qm {

// Why a //calendar line did not become an event. `what()` is the sentence the
// user sees; permissionDenied names "access" and "denied", by which the
// failure guide points to the permission settings. The domain is "CalendarTargetError", the code the case.
class CalendarTargetError : public PlatformError {
public:
    static constexpr const char* kDomain = "CalendarTargetError";

    enum Code { emptyInput, noDateTime, permissionDenied, noWritableCalendar };

    CalendarTargetError(Code code);

    Code code() const { return static_cast<Code>(PlatformError::code()); }

private:
    static const char* describe(Code code);
};

}  // namespace qm
