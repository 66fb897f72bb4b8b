#include "suggestions/AIServiceExchange.h"

#include <optional>
#include <string>
#include <utility>

#include "base/Text.h"
#include "platform/network/HttpStreamClient.h"
#include "suggestions/AIStreamParser.h"

namespace qm {

namespace {

bool isHttpStatus(int status)
{
    return status >= 100 && status <= 999;
}

class StreamReceiver final : public HttpStreamReceiver {
public:
    StreamReceiver(const AIServiceExchange& exchange, const CancellationToken& cancel, AIStreamParser& parser,
                   std::string_view statusPrefix, const AIStreamHandler& handler, std::string_view secret)
        : exchange_(exchange), cancel_(cancel), parser_(parser), statusPrefix_(statusPrefix),
          handler_(handler), secret_(secret)
    {
    }

    bool receiveResponse(int statusCode) override
    {
        if (!isHttpStatus(statusCode)) {
            failure = exchange_.error(500, "Invalid network response.");
        } else if (statusCode != 200) {
            failure = exchange_.error(statusCode, std::string(statusPrefix_) + std::to_string(statusCode));
        }
        ended = failure.has_value();
        return !ended;
    }

    bool receiveData(std::string_view bytes) override
    {
        deliver(parser_.feed(bytes));
        return !ended;
    }

    void deliver(const std::vector<AIStreamEvent>& events)
    {
        for (const auto& event : events) {
            switch (event.kind) {
            case AIStreamEvent::Kind::text:
                if (!cancel_.isCancelled() && handler_.onChunk) {
                    handler_.onChunk(event.text);
                }
                break;
            case AIStreamEvent::Kind::done:
                ended = true;
                return;
            case AIStreamEvent::Kind::failure:
                failure = exchange_.error(500, AIServiceExchange::masked(event.text, secret_));
                ended = true;
                return;
            }
        }
    }

    std::optional<PlatformError> failure;
    bool ended = false;

private:
    const AIServiceExchange& exchange_;
    const CancellationToken& cancel_;
    AIStreamParser& parser_;
    std::string_view statusPrefix_;
    const AIStreamHandler& handler_;
    std::string_view secret_;
};

class StatusOnly final : public HttpStreamReceiver {
public:
    bool receiveResponse(int statusCode) override
    {
        status = statusCode;
        return false;
    }
    bool receiveData(std::string_view) override { return false; }

    int status = 0;
};

}  // namespace

AIServiceExchange::AIServiceExchange(HttpStreamClient& http, std::string domain)
    : http_(&http), domain_(std::move(domain))
{
}

PlatformError AIServiceExchange::error(long code, std::string description) const
{
    return PlatformError(domain_, code, std::move(description));
}

PlatformError AIServiceExchange::invalidJsonError()
{
    return PlatformError("NSCocoaErrorDomain", 3840,
                         "The data couldn\u2019t be read because it isn\u2019t in the correct format.");
}

std::string AIServiceExchange::masked(std::string text, std::string_view secret)
{
    if (secret.empty()) {
        return text;
    }
    constexpr std::string_view kMask = "***";
    for (auto at = text.find(secret); at != std::string::npos; at = text.find(secret, at + kMask.size())) {
        text.replace(at, secret.size(), kMask);
    }
    return text;
}

std::string AIServiceExchange::fetchBody(const HttpRequest& request, const CancellationToken& cancel,
                                         std::string_view secret) const
{
    auto response = http_->send(request, cancel);
    if (!isHttpStatus(response.status)) {
        throw error(500, "Invalid network response.");
    }
    if (response.status != 200) {
        std::string description = text::isValidUtf8(response.body)
                                      ? masked(std::move(response.body), secret)
                                      : "HTTP Error " + std::to_string(response.status);
        throw error(response.status, std::move(description));
    }
    return std::move(response.body);
}

bool AIServiceExchange::answersOk(const HttpRequest& request, const CancellationToken& cancel) const
{
    StatusOnly receiver;
    const auto failure = http_->perform(request, cancel, receiver);
    return !failure && receiver.status == 200;
}

void AIServiceExchange::stream(const HttpRequest& request, const CancellationToken& cancel,
                               AIStreamParser& parser, std::string_view statusPrefix,
                               const AIStreamHandler& handler, std::string_view secret) const
{
    StreamReceiver receiver(*this, cancel, parser, statusPrefix, handler, secret);
    std::optional<PlatformError> failure = http_->perform(request, cancel, receiver);
    if (receiver.failure) {
        failure = receiver.failure;
    } else if (!failure && !receiver.ended) {
        receiver.deliver(parser.finish());
        failure = receiver.failure;
    }
    if (handler.onEnd) {
        handler.onEnd(failure);
    }
}

}  // namespace qm
