#include "platform/linux/network/CurlHttpStreamClient.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include <curl/curl.h>

#include "platform/network/CurlLibrary.h"

#include "base/Text.h"
#include "platform/network/UrlError.h"

namespace qm {

namespace {

// Reached only once the library was opened.
const CurlLibrary& curl()
{
    return *CurlLibrary::open();
}

using SteadyClock = std::chrono::steady_clock;

// How often a running transfer looks at its cancellation flag and idle time.
constexpr int kWatchIntervalMs = 10;

bool hasHeader(const HttpRequest& request, std::string_view name)
{
    const std::string wanted = text::lowercased(name);
    return std::any_of(request.headers.begin(), request.headers.end(),
                       [&](const auto& header) { return text::lowercased(header.first) == wanted; });
}

// A line break in a header would let its value write further headers.
bool hasUnsafeHeader(const HttpRequest& request)
{
    return std::any_of(request.headers.begin(), request.headers.end(), [](const auto& header) {
        const auto unsafe = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
        return header.first.empty() || std::any_of(header.first.begin(), header.first.end(), unsafe) ||
               header.first.find(':') != std::string::npos ||
               std::any_of(header.second.begin(), header.second.end(), unsafe);
    });
}

PlatformError transportError(CURLcode code)
{
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return UrlError::make(UrlError::timedOut);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return UrlError::make(UrlError::cannotFindHost);
    case CURLE_COULDNT_CONNECT:
        return UrlError::make(UrlError::cannotConnectToHost);
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return UrlError::make(UrlError::networkConnectionLost);
    case CURLE_UNSUPPORTED_PROTOCOL:
        return UrlError::make(UrlError::unsupportedURL);
    case CURLE_URL_MALFORMAT:
        return UrlError::make(UrlError::badURL);
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
        return UrlError::make(UrlError::badServerResponse);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return UrlError::make(UrlError::secureConnectionFailed);
    default:
        return UrlError::make(UrlError::unknown);
    }
}

// The state of one transfer, shared with libcurl's callbacks.
struct Transfer {
    Transfer(CURL* handle, const CancellationToken& token, HttpStreamReceiver& target)
        : easy(handle), cancel(token), receiver(target), lastActivity(SteadyClock::now())
    {
    }

    CURL* easy;
    const CancellationToken& cancel;
    HttpStreamReceiver& receiver;
    SteadyClock::time_point lastActivity;
    curl_off_t uploaded = 0;
    curl_off_t downloaded = 0;
    bool responseReported = false;
    bool stoppedByReceiver = false;
    bool cancelled = false;

    bool finishedEarly() const { return stoppedByReceiver || cancelled; }

    // False when the receiver is to be left alone from now on.
    bool mayDeliver()
    {
        if (cancel.isCancelled()) {
            cancelled = true;
        }
        return !finishedEarly();
    }

    bool reportResponse()
    {
        responseReported = true;
        long status = 0;
        curl().easyGetinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        if (!receiver.receiveResponse(static_cast<int>(status))) {
            stoppedByReceiver = true;
        }
        return !stoppedByReceiver;
    }
};

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    transfer.lastActivity = SteadyClock::now();
    if (!transfer.mayDeliver()) {
        return 0;
    }
    const std::string_view line(data, length);
    if (transfer.responseReported || (line != "\r\n" && line != "\n")) {
        return length;  // a header, or a trailer after the body
    }
    // The blank line closes a header block; an interim 1xx block is followed by
    // the real one.
    long status = 0;
    curl().easyGetinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200) {
        return length;
    }
    return transfer.reportResponse() ? length : 0;
}

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t length = size * count;
    transfer.lastActivity = SteadyClock::now();
    if (!transfer.mayDeliver()) {
        return 0;
    }
    if (!transfer.responseReported && !transfer.reportResponse()) {
        return 0;
    }
    if (!transfer.receiver.receiveData(std::string_view(data, length))) {
        transfer.stoppedByReceiver = true;
        return 0;
    }
    return length;
}

int onProgress(void* user, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t uploaded)
{
    auto& transfer = *static_cast<Transfer*>(user);
    if (uploaded != transfer.uploaded || downloaded != transfer.downloaded) {
        transfer.uploaded = uploaded;
        transfer.downloaded = downloaded;
        transfer.lastActivity = SteadyClock::now();
    }
    return transfer.mayDeliver() ? 0 : 1;
}

// libcurl's handle types are all `void`, so each kind names its own deleter.
struct EasyDeleter {
    void operator()(CURL* handle) const { curl().easyCleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* handle) const { curl().multiCleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl().slistFreeAll(list); }
};

}  // namespace

// The connection and DNS caches that every request shares.
struct CurlHttpStreamClient::Shared {
    Shared()
    {
        share = curl().shareInit();
        curl().shareSetopt(share, CURLSHOPT_LOCKFUNC, &Shared::lock);
        curl().shareSetopt(share, CURLSHOPT_UNLOCKFUNC, &Shared::unlock);
        curl().shareSetopt(share, CURLSHOPT_USERDATA, this);
        curl().shareSetopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl().shareSetopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    ~Shared() { curl().shareCleanup(share); }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user)
    {
        static_cast<Shared*>(user)->mutexes[static_cast<size_t>(data) % CURL_LOCK_DATA_LAST].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user)
    {
        static_cast<Shared*>(user)->mutexes[static_cast<size_t>(data) % CURL_LOCK_DATA_LAST].unlock();
    }

    CURLSH* share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes;
};

CurlHttpStreamClient::CurlHttpStreamClient() = default;

CurlHttpStreamClient::~CurlHttpStreamClient() = default;

std::optional<PlatformError> CurlHttpStreamClient::perform(const HttpRequest& request,
                                                           const CancellationToken& cancel,
                                                           HttpStreamReceiver& receiver)
{
    if (cancel.isCancelled()) {
        return UrlError::make(UrlError::cancelled);
    }
    if (hasUnsafeHeader(request)) {
        return UrlError::make(UrlError::unknown);
    }
    if (CurlLibrary::openForTransfers() == nullptr) {
        return UrlError::make(UrlError::unknown);
    }
    // The caches come with the first request: building them sets up TLS.
    std::call_once(sharedMade_, [this] { shared_ = std::make_unique<Shared>(); });
    std::unique_ptr<CURL, EasyDeleter> easy(curl().easyInit());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl().multiInit());
    if (!easy || !multi) {
        return UrlError::make(UrlError::unknown);
    }

    // Headers as given, in order; then switch off what libcurl would add on its
    // own (a form content type, "Expect: 100-continue" for larger bodies).
    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.headers) {
        headers = curl().slistAppend(headers, (name + ": " + value).c_str());
    }
    if (!hasHeader(request, "Content-Type")) {
        headers = curl().slistAppend(headers, "Content-Type:");
    }
    headers = curl().slistAppend(headers, "Expect:");
    std::unique_ptr<curl_slist, ListDeleter> headerList(headers);

    Transfer transfer(easy.get(), cancel, receiver);
    const double idleSeconds = std::max(0.001, request.idleTimeout);
    const auto idleLimit =
        std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(idleSeconds));

    CURL* h = easy.get();
    curl().easySetopt(h, CURLOPT_URL, request.url.c_str());
    curl().easySetopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl().easySetopt(h, CURLOPT_NOSIGNAL, 1L);
    curl().easySetopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    // One request per connection at a time, so a shared connection is never
    // multiplexed between two threads' transfers.
    curl().easySetopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl().easySetopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl().easySetopt(h, CURLOPT_SHARE, shared_->share);
    curl().easySetopt(h, CURLOPT_HTTPHEADER, headerList.get());
    curl().easySetopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::ceil(idleSeconds * 1000)));
    if (request.method == "GET") {
        curl().easySetopt(h, CURLOPT_HTTPGET, 1L);
    } else {
        if (request.method != "POST") {
            curl().easySetopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
        curl().easySetopt(h, CURLOPT_POST, 1L);
        curl().easySetopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl().easySetopt(h, CURLOPT_POSTFIELDS, request.body.data());
    }
    curl().easySetopt(h, CURLOPT_HEADERFUNCTION, &onHeader);
    curl().easySetopt(h, CURLOPT_HEADERDATA, &transfer);
    curl().easySetopt(h, CURLOPT_WRITEFUNCTION, &onBody);
    curl().easySetopt(h, CURLOPT_WRITEDATA, &transfer);
    curl().easySetopt(h, CURLOPT_NOPROGRESS, 0L);
    curl().easySetopt(h, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl().easySetopt(h, CURLOPT_XFERINFODATA, &transfer);

    curl().multiAddHandle(multi.get(), h);
    bool timedOut = false;
    bool multiFailed = false;
    int running = 1;
    while (running > 0) {
        if (curl().multiPerform(multi.get(), &running) != CURLM_OK) {
            multiFailed = true;
            break;
        }
        if (running == 0 || transfer.finishedEarly()) {
            break;
        }
        if (cancel.isCancelled()) {
            transfer.cancelled = true;
            break;
        }
        if (SteadyClock::now() - transfer.lastActivity > idleLimit) {
            timedOut = true;
            break;
        }
        curl().multiPoll(multi.get(), nullptr, 0, kWatchIntervalMs, nullptr);
    }

    CURLcode result = CURLE_OK;
    int pending = 0;
    while (CURLMsg* message = curl().multiInfoRead(multi.get(), &pending)) {
        if (message->msg == CURLMSG_DONE) {
            result = message->data.result;
        }
    }
    curl().multiRemoveHandle(multi.get(), h);

    if (transfer.cancelled) {
        return UrlError::make(UrlError::cancelled);
    }
    if (transfer.stoppedByReceiver) {
        return std::nullopt;
    }
    if (timedOut) {
        return UrlError::make(UrlError::timedOut);
    }
    if (multiFailed) {
        return UrlError::make(UrlError::unknown);
    }
    if (result != CURLE_OK) {
        return transportError(result);
    }
    if (!transfer.responseReported) {
        transfer.reportResponse();
    }
    return std::nullopt;
}

}  // namespace qm
