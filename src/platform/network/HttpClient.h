#pragma once

#include "platform/network/HttpError.h"
#include "platform/network/HttpRequest.h"
#include "platform/network/HttpResponse.h"
#include "platform/runtime/CancellationToken.h"

namespace qm {

// Sends HTTP requests. Implementations are safe to call from several threads
// at once; each call is independent and keeps nothing for the next.
class HttpClient {
public:
    virtual ~HttpClient() = default;

    // Sends `request` and waits for the whole answer, on the calling thread, so
    // it is called from background work, never from the main thread. Any
    // status is an answer. Throws HttpError when there is none: no connection,
    // the idle time-out, a connection lost mid-answer (a body cut short), an
    // answer too large, or `cancellation` cancelled before the answer was
    // complete (noticed within a few hundredths of a second).
    virtual HttpResponse perform(const HttpRequest& request, const CancellationToken& cancellation) = 0;

protected:
    HttpClient() = default;
    HttpClient(const HttpClient&) = default;
    HttpClient& operator=(const HttpClient&) = default;
};

}  // namespace qm
