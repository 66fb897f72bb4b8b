#pragma once

#include <string>

#include "base/PlatformError.h"

namespace qm {

// A serialised AI value that cannot be read back: a missing key, a value of the
// wrong type, or an action object that does not name exactly one action. The
// domain is "AIDecodingError"; it has one case, code 0.
class AIDecodingError : public PlatformError {
public:
    static constexpr const char* kDomain = "AIDecodingError";

    explicit AIDecodingError(const std::string& description) : PlatformError(kDomain, 0, description) {}
};

}  // namespace qm
