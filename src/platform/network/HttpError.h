#pragma once

#include "base/PlatformError.h"
#include "platform/network/UrlError.h"

namespace qm {

// A request that got no complete HTTP answer: the loader's own failure, in the
// domain "HttpClient", with the codes and sentences the platform's loader uses.
// A status such as 404 or 500 is an answer, not an HttpError.
class HttpError : public PlatformError {
public:
    static constexpr const char* kDomain = "HttpClient";

    // The platform loader's numbering, shared with the streaming client's errors.
    using Code = UrlError::Code;

    explicit HttpError(Code code);

    Code httpCode() const { return static_cast<Code>(code()); }

    // The sentence for the user; never holds anything of the request.
    static const char* describe(Code code);
};

}  // namespace qm
