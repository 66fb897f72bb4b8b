#include "platform/linux/network/CurlHttpClient.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

#include <curl/curl.h>

#include "platform/network/CurlLibrary.h"

namespace qm {

namespace {

// Reached only once the library was opened.
const CurlLibrary& curl()
{
    return *CurlLibrary::open();
}

using Code = HttpError::Code;
using SteadyClock = std::chrono::steady_clock;

constexpr double kMaxIdleSeconds = 86400.0;

// What the transfer's callbacks fill in; they all run on the calling thread,
// inside curl_multi_perform.
struct Transfer {
    HttpResponse response;
    SteadyClock::time_point lastActivity = SteadyClock::now();
    curl_off_t uploaded = 0;
    bool tooLarge = false;
};

std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* context)
{
    auto& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    transfer.lastActivity = SteadyClock::now();
    if (transfer.response.body.size() + bytes > CurlHttpClient::kMaxResponseBytes) {
        transfer.tooLarge = true;
        return 0;  // ends the transfer with CURLE_WRITE_ERROR
    }
    transfer.response.body.append(data, bytes);
    return bytes;
}

std::size_t receiveHeader(char* data, std::size_t size, std::size_t count, void* context)
{
    auto& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    transfer.lastActivity = SteadyClock::now();
    std::string_view line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (line.starts_with("HTTP/")) {
        // A new status line (after an interim 100 Continue): only the final answer's fields count.
        transfer.response.headers.clear();
    } else if (const auto colon = line.find(':'); colon != std::string_view::npos && colon > 0) {
        transfer.response.headers.emplace_back(std::string(line.substr(0, colon)),
                                               std::string(line.substr(colon + 1)));
    }
    return bytes;
}

// Uploads count as activity too, so a slow upload is not taken for a silent server.
int progress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded)
{
    auto& transfer = *static_cast<Transfer*>(context);
    if (uploaded > transfer.uploaded) {
        transfer.uploaded = uploaded;
        transfer.lastActivity = SteadyClock::now();
    }
    return 0;
}

bool holdsLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

Code codeFor(CURLcode result)
{
    switch (result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return Code::unsupportedURL;
    case CURLE_URL_MALFORMAT:
        return Code::badURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return Code::cannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return Code::cannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
        return Code::timedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return Code::networkConnectionLost;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return Code::badServerResponse;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return Code::secureConnectionFailed;
    default:
        return Code::unknown;
    }
}

struct EasyCleanup {
    void operator()(CURL* easy) const { curl().easyCleanup(easy); }
};
struct HeaderListCleanup {
    void operator()(curl_slist* list) const { curl().slistFreeAll(list); }
};

// Removes the easy handle from the multi handle before either goes.
class MultiTransfer {
public:
    explicit MultiTransfer(CURL* easy) : multi_(curl().multiInit()), easy_(easy)
    {
        if (multi_ == nullptr || curl().multiAddHandle(multi_, easy_) != CURLM_OK) {
            throw HttpError(Code::unknown);
        }
    }
    ~MultiTransfer()
    {
        curl().multiRemoveHandle(multi_, easy_);
        curl().multiCleanup(multi_);
    }
    MultiTransfer(const MultiTransfer&) = delete;
    MultiTransfer& operator=(const MultiTransfer&) = delete;

    CURLM* get() const { return multi_; }

private:
    CURLM* multi_;
    CURL* easy_;
};

}  // namespace

CurlHttpClient::CurlHttpClient() = default;

HttpResponse CurlHttpClient::perform(const HttpRequest& request, const CancellationToken& cancellation)
{
    for (const auto& [name, value] : request.headers) {
        // A line break would let one field inject others.
        if (name.empty() || holdsLineBreakOrNul(name) || holdsLineBreakOrNul(value)) {
            throw HttpError(Code::badURL);
        }
    }
    if (cancellation.isCancelled()) {
        throw HttpError(Code::cancelled);
    }

    if (CurlLibrary::openForTransfers() == nullptr) {
        throw HttpError(Code::unknown);
    }
    // Declared first, so the header list outlives the handle that points to it.
    std::unique_ptr<curl_slist, HeaderListCleanup> headers;
    std::unique_ptr<CURL, EasyCleanup> easy(curl().easyInit());
    if (!easy) {
        throw HttpError(Code::unknown);
    }
    CURL* handle = easy.get();
    Transfer transfer;

    auto append = [&headers](const std::string& line) {
        curl_slist* grown = curl().slistAppend(headers.get(), line.c_str());
        if (grown == nullptr) {
            throw HttpError(Code::unknown);
        }
        headers.release();
        headers.reset(grown);
    };
    for (const auto& [name, value] : request.headers) {
        append(value.empty() ? name + ";" : name + ": " + value);
    }
    // No "Expect: 100-continue" round trip before a body.
    append("Expect:");

    curl().easySetopt(handle, CURLOPT_URL, request.url.c_str());
    curl().easySetopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl().easySetopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl().easySetopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl().easySetopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    curl().easySetopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl().easySetopt(handle, CURLOPT_WRITEFUNCTION, receiveBody);
    curl().easySetopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl().easySetopt(handle, CURLOPT_HEADERFUNCTION, receiveHeader);
    curl().easySetopt(handle, CURLOPT_HEADERDATA, &transfer);
    curl().easySetopt(handle, CURLOPT_XFERINFOFUNCTION, progress);
    curl().easySetopt(handle, CURLOPT_XFERINFODATA, &transfer);
    curl().easySetopt(handle, CURLOPT_NOPROGRESS, 0L);
    if (request.method == "GET") {
        curl().easySetopt(handle, CURLOPT_HTTPGET, 1L);
    } else if (request.method == "HEAD") {
        curl().easySetopt(handle, CURLOPT_NOBODY, 1L);
    } else {
        if (request.method.empty() || holdsLineBreakOrNul(request.method) ||
            request.method.find(' ') != std::string::npos) {
            throw HttpError(Code::badURL);
        }
        curl().easySetopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }
    if (!request.body.empty() || request.method == "POST" || request.method == "PUT") {
        curl().easySetopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl().easySetopt(handle, CURLOPT_POSTFIELDS, request.body.data());
    }

    // A day at most, so that no value can overflow the clock's duration.
    const double idleSeconds = std::isfinite(request.idleTimeout)
                                   ? std::clamp(request.idleTimeout, 0.0, kMaxIdleSeconds)
                                   : kMaxIdleSeconds;
    const auto idleLimit =
        std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(idleSeconds));
    MultiTransfer multi(handle);
    transfer.lastActivity = SteadyClock::now();
    for (;;) {
        int running = 0;
        if (curl().multiPerform(multi.get(), &running) != CURLM_OK) {
            throw HttpError(Code::unknown);
        }
        if (running == 0) {
            break;
        }
        if (cancellation.isCancelled()) {
            throw HttpError(Code::cancelled);
        }
        const auto idle = SteadyClock::now() - transfer.lastActivity;
        if (idle >= idleLimit) {
            throw HttpError(Code::timedOut);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(idleLimit - idle).count();
        const int wait = static_cast<int>(std::clamp<long long>(left, 1, kPollIntervalMs));
        if (curl().multiPoll(multi.get(), nullptr, 0, wait, nullptr) != CURLM_OK) {
            throw HttpError(Code::unknown);
        }
    }

    CURLcode result = CURLE_OK;
    int queued = 0;
    while (CURLMsg* message = curl().multiInfoRead(multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE) {
            result = message->data.result;
        }
    }
    if (transfer.tooLarge) {
        throw HttpError(Code::dataLengthExceedsMaximum);
    }
    if (result != CURLE_OK) {
        throw HttpError(codeFor(result));
    }
    long status = 0;
    curl().easyGetinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status <= 0) {
        throw HttpError(Code::badServerResponse);
    }
    transfer.response.status = static_cast<int>(status);
    return std::move(transfer.response);
}

}  // namespace qm
