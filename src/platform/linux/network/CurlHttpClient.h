#pragma once

#include <cstddef>

#include "platform/network/HttpClient.h"

namespace qm {

// HttpClient over libcurl. Each request runs on its own connection, driven on
// the calling thread, which checks the cancellation token and the idle
// time-out between waits of at most kPollIntervalMs. Only http and https are
// spoken; redirects are not followed; the system's proxy variables and
// certificate store apply.
class CurlHttpClient final : public HttpClient {
public:
    // An answer whose body grows beyond this fails with dataLengthExceedsMaximum.
    static constexpr std::size_t kMaxResponseBytes = 64 * 1024 * 1024;
    static constexpr int kPollIntervalMs = 20;

    CurlHttpClient();

    HttpResponse perform(const HttpRequest& request, const CancellationToken& cancellation) override;
};

}  // namespace qm
