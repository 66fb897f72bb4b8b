#pragma once

#include "base/PlatformError.h"

namespace qm {

// Why a timer text could not be read. `what()` and `errorDescription()` give
// the sentence the user sees. The domain is "DurationParserError", the code the case.
class DurationParserError : public PlatformError {
public:
    static constexpr const char* kDomain = "DurationParserError";

    enum Code { emptyInput, invalidFormat, nonPositiveDuration, belowMinimum, exceedsMaximum };

    DurationParserError(Code code);

    Code code() const { return static_cast<Code>(PlatformError::code()); }

private:
    static const char* describe(Code code);
};

}  // namespace qm
