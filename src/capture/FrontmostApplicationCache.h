#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace qm {

class PrivacyFirewall;
class Workspace;

// What the event tap needs to know about the application in front for every
// key: its bundle identifier and whether the privacy firewall excludes it.
// Both are worked out again only when another application has come in front
// or the firewall's excluded applications changed. Which application is in
// front is asked afresh for every key, so a key is never judged by the
// application that was in front before it.
//
// The answer for the common key is read from the cache itself: the record
// of the application is not touched (a key after a pause finds it cold), and
// the caller reads it only when it needs the bundle identifier.
//
// One thread at a time (the event tap's). The workspace and the firewall must
// outlive the cache.
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

    // The application in front now. The record stays as it is until a later
    // call finds another application or exclusion list; shared() keeps it
    // beyond that.
    const Frontmost& current();
    // Whether the application current() found is excluded.
    bool excluded() const { return excluded_; }
    // The record current() returned last.
    const std::shared_ptr<const Frontmost>& shared() const { return last_; }

private:
    void lookUp();

    const Workspace& workspace_;
    const PrivacyFirewall& firewall_;
    // What current() compares and answers, next to each other.
    std::int32_t processIdentifier_ = 0;
    bool excluded_ = false;
    std::uint64_t exclusionsVersion_ = 0;
    std::shared_ptr<const Frontmost> last_;
};

}  // namespace qm
