#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class Clock;
class DatabaseManager;

// Decides what the program may look at: whether an application is excluded
// altogether (its keys pass untouched and nothing typed there is kept), and
// whether a piece of typed text may be kept at all (not from password fields,
// excluded applications, or when it holds a private key, a known credential, a
// long random-looking token or a payment card number).
//
// The excluded applications come from the rules database's exclusion_list
// (category "app"). They are cached: the first load happens in the constructor,
// later ones in the background when a lookup finds the cache older than
// cacheTTL, so the event tap never waits for the database. The tap's callback
// only reads the cache; it starts the refresh of a stale one once the key has
// been answered (needsRefresh, refreshIfStale).
class PrivacyFirewall {
public:
    // Runs a refresh off the caller's thread.
    using BackgroundRunner = std::function<void(std::function<void()> task)>;

    static constexpr double cacheTTL = 10.0;
    static constexpr const char* exclusionQuery = "SELECT id FROM exclusion_list WHERE category = 'app';";

    // Loads the cache synchronously. Refreshes run through `runner` (the app's
    // background queue; it must not be empty). `database` and `clock` must
    // outlive the firewall; a refresh that runs after the firewall is gone does
    // nothing.
    PrivacyFirewall(DatabaseManager& database, const Clock& clock, BackgroundRunner runner);
    // Waits for a refresh that is querying the database right now.
    ~PrivacyFirewall();
    PrivacyFirewall(const PrivacyFirewall&) = delete;
    PrivacyFirewall& operator=(const PrivacyFirewall&) = delete;

    // Any thread but the tap's callback: a lock and a hash lookup, never the
    // database. Letter case does not matter. A stale cache still answers, and
    // one background refresh is started.
    bool isAppExcluded(std::string_view bundleId) const;
    // What isAppExcluded answers, starting nothing: for the tap's callback.
    // Its lock is held elsewhere only for a lookup or to swap in a new list.
    bool isAppExcludedInCache(std::string_view bundleId) const;

    // Changes whenever the excluded applications do, so that an isAppExcluded
    // answer may be kept until it does. Any thread; no lock, starts nothing.
    std::uint64_t exclusionsVersion() const;

    // The cache is stale and no refresh of it is under way. Any thread; no
    // lock, starts nothing.
    bool needsRefresh() const;
    // Starts one background refresh when the cache is stale and none is under
    // way. Wakes the background runner: not from the tap's callback.
    void refreshIfStale() const;

    // True when `text` may be processed. `fieldType` containing "Password" or
    // "Secure" never is. Runs regular expressions: keep it off the event tap.
    bool isSafeToProcess(std::string_view text, std::string_view appBundleId,
                         const std::optional<std::string>& fieldType) const;

private:
    struct Cache;

    static void refreshExcludedAppsCache(const std::shared_ptr<Cache>& cache);
    bool isStale() const;
    void scheduleRefreshIfNeeded() const;

    static bool hasHighEntropySecrets(std::string_view text);
    static bool isHighEntropyToken(std::string_view text);
    static bool containsCreditCard(std::string_view text);
    static bool checkLuhn(const std::vector<int>& digits);

    std::shared_ptr<Cache> cache_;
    BackgroundRunner runner_;
};

}  // namespace qm
