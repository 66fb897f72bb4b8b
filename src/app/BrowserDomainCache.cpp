#include "app/BrowserDomainCache.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

#include "base/Log.h"
#include "base/Text.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/network/Url.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/SerialQueue.h"

namespace qm {

namespace {

constexpr std::array<std::string_view, 5> kAddressEndings = {".com", ".ai", ".org", ".net", ".io"};

bool hasScheme(std::string_view lowered)
{
    return lowered.starts_with("http://") || lowered.starts_with("https://");
}

std::string withoutWww(std::string text)
{
    if (text.starts_with("www.")) {
        text.erase(0, 4);
    }
    return text;
}

// One walk's limits, checked before each element.
struct Walk {
    const Clock& clock;
    double deadline;
    const CancellationToken& cancelled;
    bool stopped = false;
};

std::optional<std::string> search(const AXUIElement& element, int depth, Walk& walk)
{
    if (walk.cancelled.isCancelled() || walk.clock.now() > walk.deadline) {
        walk.stopped = true;
        return std::nullopt;
    }
    AXValue value;
    if (element.copyAttributeValue(AXAttribute::value, value) == AXError::success) {
        if (auto text = value.asString(); text && BrowserDomainCache::looksLikeAddress(*text)) {
            return text;
        }
    }
    if (depth >= BrowserDomainCache::maxSearchDepth) {
        return std::nullopt;
    }
    AXValue children;
    if (element.copyAttributeValue(AXAttribute::children, children) != AXError::success) {
        return std::nullopt;
    }
    const auto elements = children.asElements();
    if (!elements) {
        return std::nullopt;
    }
    for (const AXUIElement& child : *elements) {
        if (auto found = search(child, depth + 1, walk)) {
            return found;
        }
        if (walk.stopped) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

// The applications whose lookup waits in the queue, not yet started.
struct BrowserDomainCache::Pending {
    std::mutex mutex;
    std::set<std::int32_t> pids;
};

BrowserDomainCache::BrowserDomainCache(MainLoop& mainLoop, const Clock& clock, Accessibility& accessibility,
                                       ActiveApplicationPid activeApplicationPid)
    : mainLoop_(mainLoop), clock_(clock), accessibility_(accessibility),
      activeApplicationPid_(std::move(activeApplicationPid)), pending_(std::make_shared<Pending>()),
      queue_(std::make_unique<SerialQueue>(queueLabel))
{
}

BrowserDomainCache::~BrowserDomainCache()
{
    cancelled_.cancel();
    queue_.reset();
}

bool BrowserDomainCache::isBrowser(std::string_view bundleId)
{
    const std::string lowered = text::lowercased(bundleId);
    return std::ranges::find(browsers, std::string_view(lowered)) != browsers.end();
}

void BrowserDomainCache::updateBrowserDomainCacheAsync(const RunningApplication& application)
{
    if (!isBrowser(application.bundleIdentifier.value_or(""))) {
        cachedBrowserDomain_.reset();
        return;
    }
    const std::int32_t pid = application.processIdentifier;
    {
        const std::lock_guard lock(pending_->mutex);
        if (!pending_->pids.insert(pid).second) {
            return;  // the one waiting will read the tree as it is when it runs
        }
    }
    queue_->async([this, watch = alive_.watch(), pending = pending_, cancelled = cancelled_,
                   &accessibility = accessibility_, &clock = clock_, &mainLoop = mainLoop_, pid] {
        {
            const std::lock_guard lock(pending->mutex);
            pending->pids.erase(pid);
        }
        if (cancelled.isCancelled()) {
            return;
        }
        const auto address = getBrowserDomainSync(accessibility.applicationElement(pid), clock, cancelled);
        std::optional<std::string> domain;
        if (address) {
            domain = extractDomain(*address);
        }
        mainLoop.post([this, watch, pid, domain = std::move(domain)] {
            if (watch) {
                store(pid, domain);
            }
        });
    });
}

void BrowserDomainCache::store(std::int32_t pid, const std::optional<std::string>& domain)
{
    const auto active = activeApplicationPid_ ? activeApplicationPid_() : std::nullopt;
    if (!active || *active != pid || domain == cachedBrowserDomain_) {
        return;
    }
    cachedBrowserDomain_ = domain;
    Log::log("🔍 PredictiveOverlay: Async browser domain resolved and cached: '" + domain.value_or("nil") +
             "'");
}

std::optional<std::string> BrowserDomainCache::getBrowserDomainSync(const AXUIElement& application,
                                                                    const Clock& clock,
                                                                    const CancellationToken& cancelled)
{
    Walk walk{clock, clock.now() + searchTimeLimit, cancelled};
    auto found = search(application, 0, walk);
    if (walk.stopped && !cancelled.isCancelled()) {
        Log::log("🔍 PredictiveOverlay: Browser address search stopped after " +
                 text::describe(searchTimeLimit) + "s without an address");
    }
    return found;
}

bool BrowserDomainCache::looksLikeAddress(std::string_view value)
{
    const std::string lowered = text::lowercased(value);
    if (hasScheme(lowered)) {
        return true;
    }
    if (lowered.find(' ') != std::string::npos) {
        return false;
    }
    return std::ranges::any_of(
        kAddressEndings, [&](std::string_view ending) { return lowered.find(ending) != std::string::npos; });
}

std::optional<std::string> BrowserDomainCache::extractDomain(std::string_view text)
{
    const std::string trimmedText = text::trimmed(text);
    std::string working = text::lowercased(trimmedText);
    if (hasScheme(working)) {
        // Parsed trimmed: a value read with a line break after it is still an address.
        if (const auto url = Url::parse(trimmedText); url && !url->host.empty()) {
            return withoutWww(text::lowercased(url->host));
        }
    }
    if (working.find(' ') != std::string::npos) {
        return std::nullopt;
    }
    working = withoutWww(std::move(working));
    if (const auto slash = working.find('/'); slash != std::string::npos) {
        working.erase(slash);
    }
    if (working.find('.') == std::string::npos || working.ends_with('.')) {
        return std::nullopt;
    }
    return working;
}

}  // namespace qm
