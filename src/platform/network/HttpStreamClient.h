#pragma once

#include <optional>

#include "base/PlatformError.h"
#include "platform/network/HttpRequest.h"
#include "platform/network/HttpResponse.h"
#include "platform/network/HttpStreamReceiver.h"
#include "platform/runtime/CancellationToken.h"

namespace qm {

// An HTTP client whose responses can be read as they arrive. One client is
// shared by the whole program, so connections are reused between requests.
// Redirects are not followed: a 3xx is reported like any other status, and
// headers meant for one host (an API key) never reach another.
//
// Any thread; each call blocks the calling thread until its transfer ends.
class HttpStreamClient {
public:
    virtual ~HttpStreamClient() = default;

    // Performs `request`, handing the response to `receiver` as it arrives.
    // Ends when the body is complete or the receiver stops the transfer (both
    // give nothing), or with the transport error (UrlError): a failure to
    // connect or a dropped connection, UrlError::timedOut when the request stays
    // idle for longer than its timeout, UrlError::cancelled soon after `cancel`
    // is set. After cancellation is seen the receiver is not called again. A
    // header name or value with a line break is refused (UrlError::unknown)
    // before anything is sent.
    virtual std::optional<PlatformError> perform(const HttpRequest& request, const CancellationToken& cancel,
                                                 HttpStreamReceiver& receiver) = 0;

    // The whole response. Throws the transport error (PlatformError).
    HttpResponse send(const HttpRequest& request, const CancellationToken& cancel);
};

}  // namespace qm
