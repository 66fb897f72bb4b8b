#include "platform/network/UrlError.h"

#include <string>

namespace qm {

PlatformError UrlError::make(Code code)
{
    const char* description = "An unknown error occurred.";
    switch (code) {
    case unknown:
        break;
    case cancelled:
        description = "cancelled";
        break;
    case badURL:
        description = "bad URL";
        break;
    case timedOut:
        description = "The request timed out.";
        break;
    case unsupportedURL:
        description = "unsupported URL";
        break;
    case cannotFindHost:
        description = "A server with the specified hostname could not be found.";
        break;
    case cannotConnectToHost:
        description = "Could not connect to the server.";
        break;
    case networkConnectionLost:
        description = "The network connection was lost.";
        break;
    case badServerResponse:
        description = "bad server response";
        break;
    case dataLengthExceedsMaximum:
        description = "resource exceeds maximum size";
        break;
    case secureConnectionFailed:
        description = "An SSL error has occurred and a secure connection to the server cannot be made.";
        break;
    }
    return PlatformError(std::string(domain), code, description);
}

}  // namespace qm
