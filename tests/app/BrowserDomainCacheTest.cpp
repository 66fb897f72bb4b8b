#include "app/BrowserDomainCache.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/accessibility/AXRole.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm::test {
namespace {

// A clock that moves on by `step` every time it is read: a slow walk.
class TickingClock final : public Clock {
public:
    explicit TickingClock(double step) : step_(step) {}
    double now() const override { return now_.fetch_add(step_) + step_; }

private:
    double step_;
    mutable std::atomic<double> now_{1'700'000'000.0};
};

// The stand-in's Accessibility, counting the lookups that start (each makes
// one application element) and holding them while the gate is closed.
class GatedAccessibility final : public Accessibility {
public:
    explicit GatedAccessibility(Accessibility& inner) : inner_(inner) {}

    AXUIElement systemWideElement() override { return inner_.systemWideElement(); }
    AXUIElement applicationElement(std::int32_t pid) override
    {
        std::unique_lock lock(mutex_);
        ++started_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        return inner_.applicationElement(pid);
    }
    AXError createObserver(std::int32_t pid, AXObserver::Callback callback,
                           std::shared_ptr<AXObserver>& observer) override
    {
        return inner_.createObserver(pid, std::move(callback), observer);
    }

    void close()
    {
        const std::lock_guard lock(mutex_);
        open_ = false;
    }
    void open()
    {
        const std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool waitForStarted(int count)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return started_ >= count; });
    }
    int started()
    {
        const std::lock_guard lock(mutex_);
        return started_;
    }

private:
    Accessibility& inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    int started_ = 0;
};

SimElementSpec text(const std::string& value)
{
    SimElementSpec spec;
    spec.role = AXRole::staticText;
    spec.value = value;
    return spec;
}

SimElementSpec group()
{
    SimElementSpec spec;
    spec.role = AXRole::group;
    return spec;
}

class BrowserDomainCacheTest : public ::testing::Test {
protected:
    // Makes `application` the active one and asks for its domain.
    void activate(const SimApplication& application)
    {
        active = application.pid();
        cache.updateBrowserDomainCacheAsync(application.runningApplication());
    }

    // Waits until the cache holds `domain`.
    bool settlesOn(const std::optional<std::string>& domain)
    {
        return loop.runUntil([&] { return cache.cachedBrowserDomain() == domain; });
    }

    std::optional<std::string> walk(const SimApplication& application, const Clock& walkClock)
    {
        return BrowserDomainCache::getBrowserDomainSync(application.axElement(), walkClock,
                                                        CancellationToken());
    }

    SimClock clock;
    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    GatedAccessibility accessibility{desktop.accessibility()};
    std::optional<std::int32_t> active;
    BrowserDomainCache cache{loop, clock, accessibility, [this] { return active; }};
};

TEST_F(BrowserDomainCacheTest, ExtractDomainKeepsTheHostAlone)
{
    struct Case {
        const char* text;
        std::optional<std::string> domain;
    };
    const Case cases[] = {
        {"https://WWW.Example.com/path?q=1#top", "example.com"},
        {"http://www.example.org", "example.org"},
        {"https://user@Docs.Example.io:8443/a", "docs.example.io"},
        {"  https://example.net/page\n", "example.net"},
        {"www.example.com/path/more", "example.com"},
        {"WWW.Example.COM", "example.com"},
        {"news.example.ai/", "news.example.ai"},
        {"example.", std::nullopt},
        {"localhost", std::nullopt},
        {"exa mple.com", std::nullopt},
        {"https://exa mple.com", std::nullopt},
        {"https://", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BrowserDomainCache::extractDomain(c.text), c.domain) << "'" << c.text << "'";
    }
}

TEST_F(BrowserDomainCacheTest, AnAddressHasASchemeOrAKnownEndingAndNoSpace)
{
    struct Case {
        const char* value;
        bool address;
    };
    const Case cases[] = {
        {"https://example.de/x", true},
        {"HTTP://with space", true},
        {"example.com", true},
        {"tools.ai/login", true},
        {"wiki.org", true},
        {"my.net", true},
        {"repo.io", true},
        {"my notes.io", false},
        {"example.de", false},
        {"Search or type a URL", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BrowserDomainCache::looksLikeAddress(c.value), c.address) << c.value;
    }
}

TEST_F(BrowserDomainCacheTest, TheWalkTakesTheFirstAddressInPreOrderAndPassesOverTextWithASpace)
{
    const SimApplication app = desktop.addApplication("com.google.Chrome", "Chrome");
    const SimElement window = app.addWindow("Page");
    const SimElement toolbar = window.addChild(group());
    toolbar.addChild(text("see the docs at docs.io"));
    toolbar.addChild(group()).addChild(text("docs.io/start"));
    window.addChild(text("https://later.example.com"));
    EXPECT_EQ(walk(app, clock), "docs.io/start");
}

TEST_F(BrowserDomainCacheTest, TheWalkStopsAtItsDepthLimit)
{
    for (const int depth : {BrowserDomainCache::maxSearchDepth, BrowserDomainCache::maxSearchDepth + 1}) {
        const SimApplication app = desktop.addApplication("com.google.Chrome", "Chrome");
        // The window is one level below the application element.
        SimElement parent = app.addWindow("Deep");
        for (int level = 2; level < depth; ++level) {
            parent = parent.addChild(group());
        }
        parent.addChild(text("https://deep.example.com"));
        const auto found = walk(app, clock);
        if (depth <= BrowserDomainCache::maxSearchDepth) {
            EXPECT_EQ(found, "https://deep.example.com") << depth;
        } else {
            EXPECT_EQ(found, std::nullopt) << depth;
        }
    }
}

TEST_F(BrowserDomainCacheTest, TheWalkGivesUpWhenItsTimeIsUp)
{
    const SimApplication app = desktop.addApplication("com.google.Chrome", "Chrome");
    const SimElement window = app.addWindow("Wide");
    for (int i = 0; i < 200; ++i) {
        window.addChild(text("item " + std::to_string(i)));
    }
    window.addChild(text("https://late.example.com"));

    // At this pace the limit passes after about 50 elements.
    const TickingClock slow(BrowserDomainCache::searchTimeLimit / 50);
    const Log::Capture log;
    EXPECT_EQ(walk(app, slow), std::nullopt);
    EXPECT_TRUE(log.contains("Browser address search stopped"));
    EXPECT_EQ(walk(app, clock), "https://late.example.com");
}

TEST_F(BrowserDomainCacheTest, ABrowsersPageDomainIsCachedAndAnotherApplicationClearsIt)
{
    const SimBrowser browser =
        desktop.addBrowser("com.google.Chrome", "Chrome", "https://www.Example.com/welcome", "Welcome");
    const SimApplication editor = desktop.addApplication("com.example.editor", "Editor");

    const Log::Capture log;
    activate(browser.application());
    ASSERT_TRUE(settlesOn("example.com"));
    EXPECT_TRUE(log.contains("🔍 PredictiveOverlay: Async browser domain resolved and cached: 'example.com'"));

    // Found again, unchanged: nothing more is logged.
    activate(browser.application());
    browser.navigate("https://news.example.org/today", "Today");
    activate(browser.application());
    ASSERT_TRUE(settlesOn("news.example.org"));
    EXPECT_EQ(log.count("resolved and cached"), 2u);

    activate(editor);
    EXPECT_EQ(cache.cachedBrowserDomain(), std::nullopt);
}

TEST_F(BrowserDomainCacheTest, AResultForAnApplicationNoLongerActiveIsDropped)
{
    const SimBrowser first =
        desktop.addBrowser("com.google.Chrome", "Chrome", "https://first.example.com", "A");
    const SimBrowser second =
        desktop.addBrowser("com.brave.Browser", "Brave", "https://second.example.com", "B");

    const Log::Capture log;
    accessibility.close();
    activate(first.application());
    ASSERT_TRUE(accessibility.waitForStarted(1));
    activate(second.application());
    accessibility.open();
    ASSERT_TRUE(settlesOn("second.example.com"));
    // The queue is serial: the first result came in before the second, and was not kept.
    EXPECT_FALSE(log.contains("first.example.com"));
}

TEST_F(BrowserDomainCacheTest, LookupsWaitingForTheSameApplicationAreCoalesced)
{
    const SimBrowser chrome = desktop.addBrowser("com.google.Chrome", "Chrome", "https://a.example.com", "A");
    const SimBrowser arc =
        desktop.addBrowser("company.thebrowser.Browser", "Arc", "https://b.example.com", "B");

    accessibility.close();
    activate(chrome.application());
    ASSERT_TRUE(accessibility.waitForStarted(1));
    // While the first walk runs, a burst of focus changes asks again and again.
    for (int i = 0; i < 20; ++i) {
        cache.updateBrowserDomainCacheAsync(chrome.application().runningApplication());
        cache.updateBrowserDomainCacheAsync(arc.application().runningApplication());
    }
    accessibility.open();
    ASSERT_TRUE(settlesOn("a.example.com"));
    active = arc.application().pid();
    cache.updateBrowserDomainCacheAsync(arc.application().runningApplication());
    ASSERT_TRUE(settlesOn("b.example.com"));
    // The first walk, one waiting walk for each application, and the last request.
    EXPECT_LE(accessibility.started(), 4);
    EXPECT_GE(accessibility.started(), 3);
}

TEST_F(BrowserDomainCacheTest, OnlyTheFourBrowsersAreSearched)
{
    struct Case {
        const char* bundleId;
        bool browser;
    };
    const Case cases[] = {
        {"com.apple.Safari", true},
        {"com.google.Chrome", true},
        {"com.brave.Browser", true},
        {"company.thebrowser.Browser", true},
        {"org.mozilla.firefox", false},
        {"com.google.Chrome.canary", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BrowserDomainCache::isBrowser(c.bundleId), c.browser) << c.bundleId;
    }
}

}  // namespace
}  // namespace qm::test
