#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace qm {

class PrivacyFirewall;
class Workspace;

// What the event tap needs to know about the application in front for every
// key: its bundle identifier and whether the privacy firewall excludes it.
// Both are worked out again only when another application has come in front
// or the firewall's excluded applications changed; every other key reads them
// with two atomic loads, no lock and no allocation. Which application is in
// front is asked afresh for every key, so a key is never judged by the
// application that was in front before it.
//
// Any thread. The workspace and the firewall must outlive the cache.
class FrontmostApplicationCache {
public:
    struct Frontmost {
        // 0: no application in front.
        std::int32_t processIdentifier = 0;
        // Empty when none is in front or it has no bundle identifier.
        std::string bundleId;
        // Only an application with a bundle identifier can be excluded.
        bool excluded = false;
        // PrivacyFirewall::exclusionsVersion() when `excluded` was asked.
        std::uint64_t exclusionsVersion = 0;
    };

    FrontmostApplicationCache(const Workspace& workspace, const PrivacyFirewall& firewall);

    // The application in front now. The answer is shared: holding it keeps
    // its bundle identifier without copying it.
    std::shared_ptr<const Frontmost> current();

private:
    std::shared_ptr<const Frontmost> lookUp() const;

    const Workspace& workspace_;
    const PrivacyFirewall& firewall_;
    std::atomic<std::shared_ptr<const Frontmost>> last_;
};

}  // namespace qm
