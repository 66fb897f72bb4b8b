#pragma once

#include "platform/runtime/PlatformError.h"

namespace qm {

// A request that got no complete HTTP answer: the loader's own failure, in the
// domain "HttpClient", with the codes and sentences the platform's loader uses.
// A status such as 404 or 500 is an answer, not an HttpError.
class HttpError : public PlatformError {
public:
    static constexpr const char* kDomain = "HttpClient";

    enum class Code : long {
        unknown = -1,
        cancelled = -999,
        badURL = -1000,
        timedOut = -1001,
        unsupportedURL = -1002,
        cannotFindHost = -1003,
        cannotConnectToHost = -1004,
        networkConnectionLost = -1005,
        badServerResponse = -1011,
        dataLengthExceedsMaximum = -1103,
        secureConnectionFailed = -1200,
    };

    explicit HttpError(Code code);

    Code httpCode() const { return static_cast<Code>(code()); }

    // The sentence for the user; never holds anything of the request.
    static const char* describe(Code code);
};

}  // namespace qm
