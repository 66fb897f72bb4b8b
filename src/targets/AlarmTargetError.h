#pragma once

#include "base/PlatformError.h"

namespace qm {

// Why an //alarm line was refused before anything was scheduled. `what()` is
// the sentence the user sees. The domain is "AlarmTargetError", the code the case.
class AlarmTargetError : public PlatformError {
public:
    static constexpr const char* kDomain = "AlarmTargetError";

    enum Code { emptyInput, noDateTime, dateWithoutTime };

    AlarmTargetError(Code code);

    Code code() const { return static_cast<Code>(PlatformError::code()); }

private:
    static const char* describe(Code code);
};

}  // namespace qm
