#include "store/PrivacyFirewall.h"

#include <array>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <unordered_set>

#include <unicode/uchar.h>

#include "base/Regex.h"
#include "base/Text.h"
#include "platform/runtime/Clock.h"
#include "store/DatabaseManager.h"

namespace qm {

// Shared with queued refreshes, so that one running after the firewall is gone
// finds no database to query instead of a dangling reference.
struct PrivacyFirewall::Cache {
    // What the event tap reads for every key without a lock.
    const Clock* clock = nullptr;
    std::atomic<double> lastCacheUpdate{0};
    std::atomic<std::uint64_t> exclusionsVersion{0};
    // Written under cacheLock.
    std::atomic<bool> refreshInFlight{false};

    // Guards `database` and `clock`; held for a whole refresh, so the
    // firewall's destructor waits for a query in progress.
    std::mutex lifeLock;
    DatabaseManager* database = nullptr;

    // The excluded applications and the writes of the atomics above (also
    // read without it).
    mutable std::mutex cacheLock;
    std::unordered_set<std::string> excludedAppsCache;
};

namespace {

// Compiled once; a pattern that does not compile stays absent and is skipped.
struct Patterns {
    std::array<std::optional<Regex>, 5> credentials{
        Regex::compile(R"(\bAKIA[0-9A-Z]{16}\b)"),
        Regex::compile(R"(\bsk_live_[0-9a-zA-Z]{24}\b)"),
        Regex::compile(R"(\bxox[baprs]-[0-9a-zA-Z\-]+\b)"),
        Regex::compile(R"(mongodb\+srv:\/\/[a-zA-Z0-9_\-]+:[a-zA-Z0-9_\-]+@)"),
        Regex::compile(R"(postgres:\/\/[a-zA-Z0-9_\-]+:[a-zA-Z0-9_\-]+@)"),
    };
    std::optional<Regex> card = Regex::compile(R"(\b(?:\d[\s-]*){13,19}\b)");
    std::optional<Regex> token = Regex::compile(R"(\b[A-Za-z0-9+/=]{20,}\b)");
};

const Patterns& patterns()
{
    static const Patterns compiled;
    return compiled;
}

}  // namespace

PrivacyFirewall::PrivacyFirewall(DatabaseManager& database, const Clock& clock, BackgroundRunner runner)
    : cache_(std::make_shared<Cache>()), runner_(std::move(runner))
{
    cache_->database = &database;
    cache_->clock = &clock;
    if (!runner_) {
        throw std::invalid_argument("PrivacyFirewall: no background runner for the cache refreshes");
    }
    refreshExcludedAppsCache(cache_);
}

PrivacyFirewall::~PrivacyFirewall()
{
    {
        std::lock_guard life(cache_->lifeLock);
        cache_->database = nullptr;
        cache_->clock = nullptr;
    }
}

void PrivacyFirewall::refreshExcludedAppsCache(const std::shared_ptr<Cache>& cache)
{
    std::lock_guard life(cache->lifeLock);
    if (cache->database == nullptr) {
        return;
    }
    std::unordered_set<std::string> excluded;
    for (const auto& row : cache->database->executeQuery(exclusionQuery)) {
        if (const auto id = row.find("id"); id != row.end()) {
            excluded.insert(text::lowercased(id->second));
        }
    }
    const double now = cache->clock->now();
    std::lock_guard lock(cache->cacheLock);
    if (excluded != cache->excludedAppsCache) {
        cache->excludedAppsCache = std::move(excluded);
        cache->exclusionsVersion.fetch_add(1, std::memory_order_release);
    }
    cache->lastCacheUpdate.store(now, std::memory_order_release);
    cache->refreshInFlight.store(false, std::memory_order_release);
}

void PrivacyFirewall::scheduleRefreshIfNeeded() const
{
    {
        std::lock_guard lock(cache_->cacheLock);
        if (cache_->refreshInFlight.load(std::memory_order_relaxed)) {
            return;
        }
        cache_->refreshInFlight.store(true, std::memory_order_relaxed);
    }
    runner_([weak = std::weak_ptr<Cache>(cache_)] {
        if (const auto cache = weak.lock()) {
            refreshExcludedAppsCache(cache);
        }
    });
}

bool PrivacyFirewall::isAppExcluded(std::string_view bundleId) const
{
    const bool excluded = isAppExcludedInCache(bundleId);
    refreshIfStale();
    return excluded;
}

bool PrivacyFirewall::isAppExcludedInCache(std::string_view bundleId) const
{
    const std::string key = text::lowercased(bundleId);
    std::lock_guard lock(cache_->cacheLock);
    return cache_->excludedAppsCache.count(key) > 0;
}

std::uint64_t PrivacyFirewall::exclusionsVersion() const
{
    return cache_->exclusionsVersion.load(std::memory_order_acquire);
}

bool PrivacyFirewall::isStale() const
{
    return cache_->clock->now() - cache_->lastCacheUpdate.load(std::memory_order_acquire) > cacheTTL;
}

bool PrivacyFirewall::needsRefresh() const
{
    return isStale() && !cache_->refreshInFlight.load(std::memory_order_acquire);
}

void PrivacyFirewall::refreshIfStale() const
{
    if (isStale()) {
        scheduleRefreshIfNeeded();
    }
}

bool PrivacyFirewall::isSafeToProcess(std::string_view text, std::string_view appBundleId,
                                      const std::optional<std::string>& fieldType) const
{
    if (fieldType && (fieldType->find("Password") != std::string::npos ||
                      fieldType->find("Secure") != std::string::npos)) {
        return false;
    }
    if (isAppExcluded(appBundleId)) {
        return false;
    }
    if (text.find("-----BEGIN") != std::string_view::npos &&
        text.find("PRIVATE KEY-----") != std::string_view::npos) {
        return false;
    }
    if (hasHighEntropySecrets(text) || isHighEntropyToken(text) || containsCreditCard(text)) {
        return false;
    }
    return true;
}

bool PrivacyFirewall::hasHighEntropySecrets(std::string_view text)
{
    for (const auto& regex : patterns().credentials) {
        if (regex && regex->firstMatch(text)) {
            return true;
        }
    }
    return false;
}

bool PrivacyFirewall::isHighEntropyToken(std::string_view text)
{
    const auto& regex = patterns().token;
    if (!regex) {
        return false;
    }
    const std::u16string units = text::toUtf16(text);
    for (const auto& match : regex->allMatches(std::u16string_view(units))) {
        bool lower = false;
        bool upper = false;
        bool number = false;
        const Utf16Range range = match.range();
        for (std::size_t i = range.location; i < range.end(); ++i) {
            const UChar32 c = units[i];
            lower = lower || u_islower(c);
            upper = upper || u_isupper(c);
            number = number || u_isdigit(c);
        }
        if (lower && upper && number) {
            return true;
        }
    }
    return false;
}

bool PrivacyFirewall::containsCreditCard(std::string_view text)
{
    const auto& regex = patterns().card;
    if (!regex) {
        return false;
    }
    const std::u16string units = text::toUtf16(text);
    for (const auto& match : regex->allMatches(std::u16string_view(units))) {
        // Digits of other scripts match \d but are no card digits.
        std::vector<int> digits;
        const Utf16Range range = match.range();
        for (std::size_t i = range.location; i < range.end(); ++i) {
            if (units[i] >= u'0' && units[i] <= u'9') {
                digits.push_back(units[i] - u'0');
            }
        }
        if (digits.size() >= 13 && digits.size() <= 19 && checkLuhn(digits)) {
            return true;
        }
    }
    return false;
}

bool PrivacyFirewall::checkLuhn(const std::vector<int>& digits)
{
    int sum = 0;
    std::size_t position = 0;
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit, ++position) {
        if (position % 2 == 1) {
            sum += *digit >= 5 ? *digit * 2 - 9 : *digit * 2;
        } else {
            sum += *digit;
        }
    }
    return sum % 10 == 0;
}

}  // namespace qm
