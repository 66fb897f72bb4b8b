#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/network/HttpStreamClient.h"

namespace qm {

// The HTTP client of the program, on libcurl. Requests run on the calling
// thread; one connection cache and DNS cache is shared by all of them. Only
// "http:" and "https:" URLs are accepted; proxies come from the usual
// environment variables. The transfer is watched every few milliseconds, so a
// cancellation or an idle timeout ends it promptly.
class CurlHttpStreamClient final : public HttpStreamClient {
public:
    CurlHttpStreamClient();
    ~CurlHttpStreamClient() override;
    CurlHttpStreamClient(const CurlHttpStreamClient&) = delete;
    CurlHttpStreamClient& operator=(const CurlHttpStreamClient&) = delete;

    std::optional<PlatformError> perform(const HttpRequest& request, const CancellationToken& cancel,
                                         HttpStreamReceiver& receiver) override;

private:
    struct Shared;
    std::once_flag sharedMade_;
    std::unique_ptr<Shared> shared_;
};

}  // namespace qm
