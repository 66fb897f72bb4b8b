#include "platform/network/HttpError.h"

namespace qm {

HttpError::HttpError(Code code) : PlatformError(kDomain, static_cast<long>(code), describe(code)) {}

const char* HttpError::describe(Code code)
{
    switch (code) {
    case Code::cancelled:
        return "The request was cancelled.";
    case Code::badURL:
        return "The request could not be made: its address or a header is not valid.";
    case Code::timedOut:
        return "The request timed out.";
    case Code::unsupportedURL:
        return "The request's address uses a scheme other than http or https.";
    case Code::cannotFindHost:
        return "A server with the specified hostname could not be found.";
    case Code::cannotConnectToHost:
        return "Could not connect to the server.";
    case Code::networkConnectionLost:
        return "The network connection was lost.";
    case Code::badServerResponse:
        return "The server's answer could not be read.";
    case Code::dataLengthExceedsMaximum:
        return "The server's answer was larger than allowed.";
    case Code::secureConnectionFailed:
        return "A secure connection to the server could not be made.";
    case Code::unknown:
        break;
    }
    return "The request failed.";
}

}  // namespace qm
