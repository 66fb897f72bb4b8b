#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/accessibility/AXUIElement.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/CancellationToken.h"
#include "platform/workspace/RunningApplication.h"

namespace qm {

class Accessibility;
class Clock;
class MainLoop;
class SerialQueue;

// Keeps the domain of the page the frontmost browser shows. The address is
// found by walking the browser's Accessibility tree on the serial queue
// "com.quillmarker.app.browserDomainQueue", reduced to a bare host, and stored
// on the main thread, only while the browser it was found in is still the
// active application.
//
// A browser window can hold a huge tree and a hung browser answers slowly, so
// a walk gives up past maxSearchDepth levels or searchTimeLimit seconds, and
// lookups are coalesced: while one for an application waits in the queue,
// asking again for that application adds nothing.
class BrowserDomainCache {
public:
    static constexpr const char* queueLabel = "com.quillmarker.app.browserDomainQueue";
    // Lower-cased bundle identifiers of the browsers whose trees are searched.
    static constexpr std::array<std::string_view, 4> browsers = {
        "com.apple.safari", "com.google.chrome", "com.brave.browser", "company.thebrowser.browser"};
    // Levels below the application element; the address bars of common browsers sit 6 to 12 deep.
    static constexpr int maxSearchDepth = 32;
    static constexpr double searchTimeLimit = 0.5;

    // The process id of the application last reported active, if any. Main thread.
    using ActiveApplicationPid = std::function<std::optional<std::int32_t>()>;

    // Everything named must outlive the cache.
    BrowserDomainCache(MainLoop& mainLoop, const Clock& clock, Accessibility& accessibility,
                       ActiveApplicationPid activeApplicationPid);
    // Cancels walks under way; what is queued ends at once.
    ~BrowserDomainCache();
    BrowserDomainCache(const BrowserDomainCache&) = delete;
    BrowserDomainCache& operator=(const BrowserDomainCache&) = delete;

    // Main thread.
    const std::optional<std::string>& cachedBrowserDomain() const { return cachedBrowserDomain_; }
    void clear() { cachedBrowserDomain_.reset(); }

    // Starts a lookup for a browser; for any other application clears the
    // domain at once. Main thread; returns at once.
    void updateBrowserDomainCacheAsync(const RunningApplication& application);

    static bool isBrowser(std::string_view bundleId);

    // The first address-like value in a depth-first, pre-order walk of the
    // tree under `application`, as read; nothing when none turns up within the
    // limits or the walk is cancelled. Any thread but the main one.
    static std::optional<std::string> getBrowserDomainSync(const AXUIElement& application, const Clock& clock,
                                                           const CancellationToken& cancelled);

    // Whether an element's value is taken for the page address.
    static bool looksLikeAddress(std::string_view value);

    // The host of an address, lower-cased and without "www."; nothing when
    // the text is no address.
    static std::optional<std::string> extractDomain(std::string_view text);

private:
    struct Pending;

    void store(std::int32_t pid, const std::optional<std::string>& domain);

    MainLoop& mainLoop_;
    const Clock& clock_;
    Accessibility& accessibility_;
    ActiveApplicationPid activeApplicationPid_;
    std::optional<std::string> cachedBrowserDomain_;
    std::shared_ptr<Pending> pending_;
    CancellationToken cancelled_;
    AliveToken alive_;
    // Last: gone first, after its walks were cancelled.
    std::unique_ptr<SerialQueue> queue_;
};

}  // namespace qm
