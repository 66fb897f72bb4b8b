#include "capture/FrontmostApplicationCache.h"

#include "platform/workspace/Workspace.h"
#include "store/PrivacyFirewall.h"

namespace qm {

FrontmostApplicationCache::FrontmostApplicationCache(const Workspace& workspace,
                                                     const PrivacyFirewall& firewall)
    : workspace_(workspace), firewall_(firewall), last_(std::make_shared<const Frontmost>())
{
}

const FrontmostApplicationCache::Frontmost& FrontmostApplicationCache::current()
{
    const std::int32_t pid = workspace_.frontmostProcessIdentifier().value_or(0);
    const std::uint64_t version = firewall_.exclusionsVersion();
    if (pid != processIdentifier_ || version != exclusionsVersion_) [[unlikely]] {
        lookUp();
    }
    return *last_;
}

void FrontmostApplicationCache::lookUp()
{
    auto made = std::make_shared<Frontmost>();
    // The version first: an exclusion list replaced during the lookup leaves
    // an older version behind, and the next key looks again.
    made->exclusionsVersion = firewall_.exclusionsVersion();
    if (const auto frontmost = workspace_.frontmostApplication()) {
        made->processIdentifier = frontmost->processIdentifier;
        if (frontmost->bundleIdentifier) {
            made->bundleId = *frontmost->bundleIdentifier;
            // The cache's answer: a stale list is refreshed after the key.
            made->excluded = firewall_.isAppExcludedInCache(made->bundleId);
        }
    }
    processIdentifier_ = made->processIdentifier;
    excluded_ = made->excluded;
    exclusionsVersion_ = made->exclusionsVersion;
    last_ = std::move(made);
}

}  // namespace qm
