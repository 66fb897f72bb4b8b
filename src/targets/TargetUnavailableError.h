#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/PlatformError.h"

namespace qm {

// The failure of a target that cannot deliver captures in this build. Its
// domain is the target's type name, as the targets' own errors are.
class TargetUnavailableError : public PlatformError {
public:
    static constexpr long kCode = 1;

    TargetUnavailableError(std::string_view typeName, std::string_view commandName);

    // The sentence the user sees for `commandName` ("The //timer target is not available yet.").
    static std::string describe(std::string_view commandName);
};

}  // namespace qm
