#pragma once

#include <string_view>

#include "base/PlatformError.h"

namespace qm {

// Transport failures of HTTP requests, in the platform's URL-loading error
// domain and numbering, so that callers which pass them on unchanged show the
// sentences users know.
class UrlError {
public:
    static constexpr std::string_view domain = "NSURLErrorDomain";

    enum Code : long {
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

    // The error of `code` with its standard description.
    static PlatformError make(Code code);

    UrlError() = delete;
};

}  // namespace qm
