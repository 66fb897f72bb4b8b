#include "targets/SlackTarget.h"

#include <chrono>
#include <exception>
#include <future>

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Text.h"
#include "platform/runtime/Clock.h"
#include "records/CaptureAnnouncer.h"
#include "targets/SlackError.h"
#include "targets/SlackOptionRanking.h"

namespace qm {

namespace {

constexpr const char* kFailureRowId = "error";
// Warning sign, variation selector 16, space.
constexpr const char* kFailureRowPrefix = "\u26A0\uFE0F ";
// How often a load waiting for the people's list looks at its own cancellation.
constexpr auto kCancellationPoll = std::chrono::milliseconds(20);

}  // namespace

SlackTarget::SlackTarget(HttpClient& http, std::string apiHost, SecretLoader loadSecret, const Clock& clock,
                         CaptureAnnouncer& landing)
    : PickerFilteringTarget(kCommandName, /*needsPicker=*/true), api_(http, std::move(apiHost)),
      loadSecret_(std::move(loadSecret)), clock_(clock), landing_(landing)
{
}

std::string SlackTarget::slackToken() const
{
    const auto bytes = loadSecret_ ? loadSecret_(kTokenService, kTokenKey) : std::nullopt;
    std::string token = bytes && text::isValidUtf8(*bytes) ? text::trimmed(*bytes) : std::string();
    if (token.empty()) {
        throw SlackError(SlackError::Code::notConnected, kNotConnectedDescription);
    }
    return token;
}

void SlackTarget::resetCache()
{
    std::lock_guard lock(cacheMutex_);
    if (cache_.loadedAt && clock_.now() - *cache_.loadedAt < kCacheLifetime) {
        return;
    }
    cache_ = Cache{};
}

SlackTarget::Cache SlackTarget::snapshot() const
{
    std::lock_guard lock(cacheMutex_);
    return cache_;
}

std::vector<PickerOption> SlackTarget::pickerOptions(const CancellationToken& cancellation)
{
    if (snapshot().loaded) {
        return filteredOptions("");
    }
    try {
        return load(cancellation);
    } catch (const std::exception& error) {
        Log::log(fmt::format("❌ SlackTarget: Failed to fetch Slack resources: {}", error.what()));
        return {PickerOption{kFailureRowId, kFailureRowPrefix + std::string(error.what())}};
    }
}

std::vector<PickerOption> SlackTarget::load(const CancellationToken& cancellation)
{
    const std::string token = slackToken();
    // The people's list has its own token: a failed channel list stops it.
    CancellationToken usersCancellation;
    auto users = std::async(std::launch::async, [this, token, usersCancellation] {
        return api_.fetchUsers(token, usersCancellation);
    });
    std::vector<PickerOption> channels;
    try {
        channels = api_.fetchChannels(token, cancellation);
        while (users.wait_for(kCancellationPoll) != std::future_status::ready) {
            if (cancellation.isCancelled()) {
                usersCancellation.cancel();
            }
        }
    } catch (...) {
        usersCancellation.cancel();
        users.wait();
        throw;
    }
    std::vector<PickerOption> people = users.get();

    std::lock_guard lock(cacheMutex_);
    cache_ = Cache{std::move(channels), std::move(people), true, clock_.now()};
    const Cache loaded = cache_;
    return SlackOptionRanking::rank(loaded.channels, loaded.users, "");
}

std::vector<PickerOption> SlackTarget::filteredOptions(const std::string& text)
{
    const Cache cached = snapshot();
    return SlackOptionRanking::rank(cached.channels, cached.users, text);
}

void SlackTarget::injectMockData(std::vector<PickerOption> channels, std::vector<PickerOption> users)
{
    std::lock_guard lock(cacheMutex_);
    cache_.channels = std::move(channels);
    cache_.users = std::move(users);
    cache_.loaded = true;
}

void SlackTarget::send(const std::string& text, const std::optional<PickerOption>& selectedOption)
{
    const std::string line = text::trimmed(text);
    if (line.empty()) {
        return;
    }
    const std::string token = slackToken();
    if (!selectedOption || selectedOption->id == kFailureRowId) {
        throw SlackError(SlackError::Code::noOptionSelected, kNoOptionDescription);
    }
    api_.postMessage(selectedOption->id, line, token, CancellationToken());
    landing_.announce(commandName(), line, "Slack · " + selectedOption->displayName, std::nullopt,
                      std::nullopt,
                      /*parksLoop=*/true);
    Log::log(fmt::format("📝 SlackTarget: Successfully posted captured message to Slack channel '{}'",
                         selectedOption->displayName));
}

}  // namespace qm
