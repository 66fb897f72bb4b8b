#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "targets/PickerFilteringTarget.h"
#include "targets/SlackWebAPIClient.h"

namespace qm {

class CaptureAnnouncer;
class Clock;
class HttpClient;

// The "//slack" target: posts the captured line to a Slack channel or person
// chosen in the overlay's picker. Its picker lists the workspace's channels
// and people through the Web API and keeps them for later captures; while the
// user types, capture mode asks it to rank them against the filter. The
// token is read from the secret store for every load and every send and
// never kept, logged or shown.
//
// Threads: pickerOptions() and send() run in background tasks; resetCache()
// and filteredOptions() on the main thread. The cached lists are guarded by a
// mutex; filtering ranks a copy taken under it, so a load finishing meanwhile
// never changes the rows being ranked.
class SlackTarget final : public PickerFilteringTarget {
public:
    static constexpr const char* kCommandName = "slack";
    static constexpr const char* kTokenService = "QuillmarkerAI";
    static constexpr const char* kTokenKey = "slackToken";
    // A cache younger than this (seconds) survives resetCache().
    static constexpr double kCacheLifetime = 600.0;
    static constexpr const char* kNotConnectedDescription = "Slack not connected — add a token in Settings";
    static constexpr const char* kNoOptionDescription =
        "Please select a valid Slack channel from the target options.";

    // The bytes stored under a service and key of the secret store, or nothing.
    using SecretLoader =
        std::function<std::optional<std::string>(std::string_view service, std::string_view key)>;

    // `apiHost` as for SlackWebAPIClient ("https://slack.com"). The references
    // must outlive the target.
    SlackTarget(HttpClient& http, std::string apiHost, SecretLoader loadSecret, const Clock& clock,
                CaptureAnnouncer& landing);

    // Drops the cached lists unless they were loaded less than kCacheLifetime ago.
    void resetCache() override;
    // A loaded cache answers at once; otherwise both lists are fetched side by
    // side and kept. At most five rows for an empty filter, or, when the token
    // is missing or a list call fails, only the failure row ("error", "⚠️ " and
    // the description) and a "❌" log line; a failed load is not kept.
    std::vector<PickerOption> pickerOptions(const CancellationToken& cancellation) override;
    // SlackOptionRanking over a copy of the cached lists.
    std::vector<PickerOption> filteredOptions(const std::string& text) override;
    // A blank line is nothing to do. Otherwise a missing token fails (code 1)
    // before a missing or failure row (code 5); then the trimmed line is
    // posted to the row's id and confirmed as an open loop.
    void send(const std::string& text, const std::optional<PickerOption>& selectedOption) override;

    // Replaces both lists as if loaded, keeping the load time as it was.
    void injectMockData(std::vector<PickerOption> channels, std::vector<PickerOption> users);

private:
    struct Cache {
        std::vector<PickerOption> channels;
        std::vector<PickerOption> users;
        bool loaded = false;
        std::optional<double> loadedAt;
    };

    std::string slackToken() const;
    std::vector<PickerOption> load(const CancellationToken& cancellation);
    Cache snapshot() const;

    const SlackWebAPIClient api_;
    const SecretLoader loadSecret_;
    const Clock& clock_;
    CaptureAnnouncer& landing_;

    mutable std::mutex cacheMutex_;
    Cache cache_;
};

}  // namespace qm
