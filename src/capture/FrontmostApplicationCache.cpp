#include "capture/FrontmostApplicationCache.h"

#include "base/KeyPath.h"
#include "platform/workspace/Workspace.h"
#include "store/PrivacyFirewall.h"

namespace qm {

FrontmostApplicationCache::FrontmostApplicationCache(const Workspace& workspace,
                                                     const PrivacyFirewall& firewall)
    : workspace_(workspace), firewall_(firewall), last_(std::make_shared<const Frontmost>())
{
}

QM_KEY_PATH std::shared_ptr<const FrontmostApplicationCache::Frontmost> FrontmostApplicationCache::current()
{
    const std::int32_t pid = workspace_.frontmostProcessIdentifier().value_or(0);
    // Asked every time: a stale exclusion list also starts its refresh here.
    const std::uint64_t version = firewall_.exclusionsVersion();
    std::shared_ptr<const Frontmost> last = last_.load(std::memory_order_acquire);
    if (last->processIdentifier == pid && last->exclusionsVersion == version) {
        return last;
    }
    std::shared_ptr<const Frontmost> fresh = lookUp();
    last_.store(fresh, std::memory_order_release);
    return fresh;
}

std::shared_ptr<const FrontmostApplicationCache::Frontmost> FrontmostApplicationCache::lookUp() const
{
    auto made = std::make_shared<Frontmost>();
    // The version first: an exclusion list replaced during the lookup leaves
    // an older version behind, and the next key looks again.
    made->exclusionsVersion = firewall_.exclusionsVersion();
    if (const auto frontmost = workspace_.frontmostApplication()) {
        made->processIdentifier = frontmost->processIdentifier;
        if (frontmost->bundleIdentifier) {
            made->bundleId = *frontmost->bundleIdentifier;
            made->excluded = firewall_.isAppExcluded(made->bundleId);
        }
    }
    return made;
}

}  // namespace qm
