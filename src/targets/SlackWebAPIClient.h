#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/runtime/CancellationToken.h"
#include "targets/PickerOption.h"

namespace qm {

class HttpClient;

// The three Slack Web API calls of the Slack target: the paged listings of
// conversations and of people, which fill its picker, and the posting of one
// message. Keeps nothing between calls and retries nothing; the token and any
// caching belong to the caller. Every request carries the bearer token and
// the JSON content type and may stay idle for 60 s.
//
// Failures throw SlackError (codes 2 to 4 and 9 for a list, 6 to 8 for the
// post), a PlatformError in the domain "Json" for a body that is not JSON,
// and the HttpClient's own HttpError (no connection, time-out, cancellation,
// a body cut short) unchanged. A failure on any page fails the whole list.
class SlackWebAPIClient {
public:
    static constexpr double kTimeout = 60.0;
    // A list call makes at most this many requests (2,000 entries at 200 a page).
    static constexpr int kMaxPages = 10;
    static constexpr const char* kChannelsPath =
        "/api/conversations.list?types=public_channel,private_channel&exclude_archived=true&limit=200";
    static constexpr const char* kUsersPath = "/api/users.list?limit=200";
    static constexpr const char* kPostPath = "/api/chat.postMessage";
    static constexpr const char* kJsonErrorDomain = "Json";
    static constexpr const char* kJsonErrorDescription =
        "The data couldn't be read because it isn't in the correct format.";

    // Maps one page's top-level object to its options.
    using Extractor = std::function<std::vector<PickerOption>(const nlohmann::json& page)>;

    // `apiHost` is the Web API's scheme and host ("https://slack.com"), without
    // a trailing "/". `http` must outlive the client. Safe for concurrent calls.
    SlackWebAPIClient(HttpClient& http, std::string apiHost);

    // "#" + name for each channel, in answer order, pages in fetch order.
    std::vector<PickerOption> fetchChannels(const std::string& token,
                                            const CancellationToken& cancellation) const;
    // "@" + handle, then " (" + full name + ")" when there is one; bots and
    // deleted people left out.
    std::vector<PickerOption> fetchUsers(const std::string& token,
                                         const CancellationToken& cancellation) const;
    // Posts `text` to the channel or person id.
    void postMessage(const std::string& channel, const std::string& text, const std::string& token,
                     const CancellationToken& cancellation) const;

    // Follows "response_metadata.next_cursor" from `firstPageURL` until a page
    // has none (or only spaces and tabs), or kMaxPages pages were fetched.
    std::vector<PickerOption> fetchAllPages(const std::string& firstPageURL, const std::string& token,
                                            const Extractor& extract,
                                            const CancellationToken& cancellation) const;

    static std::vector<PickerOption> channelOptions(const nlohmann::json& page);
    static std::vector<PickerOption> userOptions(const nlohmann::json& page);

    // Percent-encodes a cursor for a query: what RFC 3986 allows in a query
    // stays, except "&" and "+", which a server would read as a separator and
    // a space.
    static std::string encodeCursor(std::string_view cursor);

    // The rate-limit sentence for a "Retry-After" value (seconds; anything
    // else, or none, counts as unknown).
    static std::string rateLimitDescription(const std::optional<std::string>& retryAfter);

private:
    HttpClient& http_;
    const std::string apiHost_;
};

}  // namespace qm
