#pragma once

#include <string>
#include <string_view>

#include "base/PlatformError.h"
#include "platform/network/HttpRequest.h"
#include "platform/runtime/CancellationToken.h"
#include "suggestions/AIStreamHandler.h"

namespace qm {

class AIStreamParser;
class HttpStreamClient;

// The HTTP half that the language-model services share: one request, its
// status, and for a stream the reading of its lines, with the services' errors
// made in the service's own domain. Holds no state beyond the client and the
// domain, so copies may run on any thread; the client must outlive them.
class AIServiceExchange {
public:
    AIServiceExchange(HttpStreamClient& http, std::string domain);

    const std::string& domain() const { return domain_; }

    // An error of the service.
    PlatformError error(long code, std::string description) const;

    // The body of a 200 response. Any other status throws the status as code
    // with the body as its description ("HTTP Error <status>" when the body is
    // not UTF-8); a response that is not HTTP throws 500 "Invalid network
    // response."; transport failures are thrown unchanged. `secret` (the API
    // key the request carries) is masked wherever the server quotes it back.
    std::string fetchBody(const HttpRequest& request, const CancellationToken& cancel,
                          std::string_view secret = {}) const;

    // True exactly when the response has status 200; the body is not read and
    // nothing is thrown.
    bool answersOk(const HttpRequest& request, const CancellationToken& cancel) const;

    // Reads a streamed reply through `parser` and hands its pieces to `handler`,
    // then ends it exactly once: normally at the end of the body or at a `done`
    // line; with the status as code and `statusPrefix` + status for a status
    // other than 200 (the body is not read); with 500 and the message for an
    // error inside the stream; with the transport error, pieces already handed
    // out staying delivered. No piece is handed out once `cancel` is seen.
    // `secret` is masked in an error message as in fetchBody.
    void stream(const HttpRequest& request, const CancellationToken& cancel, AIStreamParser& parser,
                std::string_view statusPrefix, const AIStreamHandler& handler,
                std::string_view secret = {}) const;

    // `text` with every occurrence of `secret` replaced by "***".
    static std::string masked(std::string text, std::string_view secret);

    // The error that reading a body that is not JSON gives, passed on unchanged.
    static PlatformError invalidJsonError();

private:
    HttpStreamClient* http_;
    std::string domain_;
};

}  // namespace qm
