#include "targets/SlackWebAPIClient.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "base/Json.h"
#include "base/PlatformError.h"
#include "platform/network/HttpClient.h"
#include "targets/SlackError.h"

namespace qm {

namespace {

using Code = SlackError::Code;

constexpr const char* kConnectionFailed = "Failed to connect to Slack API (HTTP error)";
constexpr const char* kInvalidJSON = "Invalid JSON response from Slack API";
// Digits beyond this are no number of seconds worth showing.
constexpr std::size_t kMaxRetryAfterDigits = 9;

HttpRequest request(std::string method, std::string url, const std::string& token, std::string body = {})
{
    HttpRequest made;
    made.method = std::move(method);
    made.url = std::move(url);
    made.headers = {{"Authorization", "Bearer " + token},
                    {"Content-Type", "application/json; charset=utf-8"}};
    made.body = std::move(body);
    made.idleTimeout = SlackWebAPIClient::kTimeout;
    return made;
}

nlohmann::json parsedBody(const HttpResponse& response)
{
    auto parsed = json::parse(response.body);
    if (!parsed) {
        throw PlatformError(SlackWebAPIClient::kJsonErrorDomain, 3840,
                            SlackWebAPIClient::kJsonErrorDescription);
    }
    return std::move(*parsed);
}

// "ok" present as false fails; absent, or of another type, is success.
void checkOk(const nlohmann::json& answer, Code code, const std::string& token)
{
    if (json::boolAt(answer, "ok") == false) {
        const std::string reason = json::stringAt(answer, "error").value_or("Unknown Slack error");
        throw SlackError(code, "Slack API Error: " + reason, token);
    }
}

std::string trimmedSpacesAndTabs(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool staysInQuery(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("-._~!$'()*,;=:@/?").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

SlackWebAPIClient::SlackWebAPIClient(HttpClient& http, std::string apiHost)
    : http_(http), apiHost_(std::move(apiHost))
{
}

std::vector<PickerOption> SlackWebAPIClient::fetchChannels(const std::string& token,
                                                           const CancellationToken& cancellation) const
{
    return fetchAllPages(apiHost_ + kChannelsPath, token, channelOptions, cancellation);
}

std::vector<PickerOption> SlackWebAPIClient::fetchUsers(const std::string& token,
                                                        const CancellationToken& cancellation) const
{
    return fetchAllPages(apiHost_ + kUsersPath, token, userOptions, cancellation);
}

std::vector<PickerOption> SlackWebAPIClient::fetchAllPages(const std::string& firstPageURL,
                                                           const std::string& token, const Extractor& extract,
                                                           const CancellationToken& cancellation) const
{
    std::vector<PickerOption> options;
    std::string url = firstPageURL;
    for (int pages = 0;;) {
        const HttpResponse response = http_.perform(request("GET", url, token), cancellation);
        if (response.status == 429) {
            throw SlackError(Code::rateLimited, rateLimitDescription(response.header("Retry-After")), token);
        }
        if (response.status != 200) {
            throw SlackError(Code::listConnection,
                             "Failed to connect to Slack API (HTTP " + std::to_string(response.status) + ")",
                             token);
        }
        const nlohmann::json page = parsedBody(response);
        if (!page.is_object()) {
            throw SlackError(Code::listInvalidJSON, kInvalidJSON, token);
        }
        checkOk(page, Code::listAPIError, token);
        const auto extracted = extract(page);
        options.insert(options.end(), extracted.begin(), extracted.end());

        const nlohmann::json* metadata = json::objectAt(page, "response_metadata");
        const auto cursor = metadata ? json::stringAt(*metadata, "next_cursor") : std::nullopt;
        const std::string next = cursor ? trimmedSpacesAndTabs(*cursor) : std::string();
        if (next.empty() || ++pages == kMaxPages) {
            return options;
        }
        url = firstPageURL + "&cursor=" + encodeCursor(next);
    }
}

void SlackWebAPIClient::postMessage(const std::string& channel, const std::string& text,
                                    const std::string& token, const CancellationToken& cancellation) const
{
    const nlohmann::json body = {{"channel", channel}, {"text", text}};
    const HttpResponse response =
        http_.perform(request("POST", apiHost_ + kPostPath, token, json::serialize(body)), cancellation);
    if (response.status != 200) {
        throw SlackError(Code::postConnection, kConnectionFailed, token);
    }
    const nlohmann::json answer = parsedBody(response);
    if (!answer.is_object()) {
        throw SlackError(Code::postInvalidJSON, kInvalidJSON, token);
    }
    checkOk(answer, Code::postAPIError, token);
}

std::vector<PickerOption> SlackWebAPIClient::channelOptions(const nlohmann::json& page)
{
    std::vector<PickerOption> options;
    const nlohmann::json* channels = json::arrayAt(page, "channels");
    if (channels == nullptr) {
        return options;
    }
    for (const auto& channel : *channels) {
        const auto id = json::stringAt(channel, "id");
        const auto name = json::stringAt(channel, "name");
        if (id && name) {
            options.push_back({*id, "#" + *name});
        }
    }
    return options;
}

std::vector<PickerOption> SlackWebAPIClient::userOptions(const nlohmann::json& page)
{
    std::vector<PickerOption> options;
    const nlohmann::json* members = json::arrayAt(page, "members");
    if (members == nullptr) {
        return options;
    }
    for (const auto& member : *members) {
        if (json::boolAt(member, "is_bot") == true || json::boolAt(member, "deleted") == true) {
            continue;
        }
        const auto id = json::stringAt(member, "id");
        const auto name = json::stringAt(member, "name");
        if (!id || !name) {
            continue;
        }
        const std::string fullName = json::stringAt(member, "real_name").value_or("");
        options.push_back({*id, "@" + *name + (fullName.empty() ? "" : " (" + fullName + ")")});
    }
    return options;
}

std::string SlackWebAPIClient::encodeCursor(std::string_view cursor)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : cursor) {
        const auto byte = static_cast<unsigned char>(c);
        if (staysInQuery(byte)) {
            encoded.push_back(c);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[byte >> 4]);
            encoded.push_back(kHex[byte & 0x0F]);
        }
    }
    return encoded;
}

std::string SlackWebAPIClient::rateLimitDescription(const std::optional<std::string>& retryAfter)
{
    const bool isSeconds =
        retryAfter && !retryAfter->empty() && retryAfter->size() <= kMaxRetryAfterDigits &&
        std::all_of(retryAfter->begin(), retryAfter->end(), [](char c) { return c >= '0' && c <= '9'; });
    return "Slack rate limit — try again in " +
           (isSeconds ? *retryAfter + "s" : std::string("a few seconds"));
}

}  // namespace qm
