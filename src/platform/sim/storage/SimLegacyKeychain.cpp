#include "platform/sim/storage/SimLegacyKeychain.h"

#include <algorithm>

namespace qm {

namespace {

bool sameItem(const LegacyKeychain::Item& item, LegacyKeychain::ItemClass itemClass, std::string_view service,
              std::optional<std::string_view> account)
{
    return item.itemClass == itemClass && item.service == service && item.account == account;
}

}  // namespace

LegacyKeychain::CopyResult SimLegacyKeychain::copyMatching(const Query& query)
{
    std::lock_guard lock(mutex_);
    Call call{Call::Kind::copyMatching, query.itemClass, query.service, query.account, query.returnData};
    auto record = [&](CopyResult result) {
        call.status = result.status;
        calls_.push_back(call);
        return result;
    };

    std::vector<const Item*> found;
    for (const auto& item : items_) {
        if (item.itemClass != query.itemClass || item.service != query.service) {
            continue;
        }
        if (query.account && item.account != query.account) {
            continue;
        }
        found.push_back(&item);
        if (!query.matchAll) {
            break;
        }
    }
    if (found.empty()) {
        return record({errSecItemNotFound, {}});
    }
    if (query.returnData) {
        for (const Item* item : found) {
            if (item->requiresUserInteraction) {
                return record(
                    {query.skipAuthenticationUI ? errSecInteractionNotAllowed : errSecAuthFailed, {}});
            }
        }
    }

    CopyResult result{errSecSuccess, {}};
    if (query.returnData || query.returnAttributes) {
        for (const Item* item : found) {
            Match match;
            if (query.returnAttributes) {
                match.account = item->account;
            }
            if (query.returnData) {
                match.data = item->data;
            }
            result.matches.push_back(std::move(match));
        }
    }
    return record(std::move(result));
}

SecStatus SimLegacyKeychain::add(const Item& item)
{
    std::lock_guard lock(mutex_);
    const bool duplicate = std::any_of(items_.begin(), items_.end(), [&](const Item& existing) {
        return existing.itemClass == item.itemClass && existing.service == item.service &&
               existing.account == item.account;
    });
    const SecStatus status = duplicate ? errSecDuplicateItem : errSecSuccess;
    if (!duplicate) {
        items_.push_back(item);
    }
    calls_.push_back({Call::Kind::add, item.itemClass, item.service, item.account, false, status});
    return status;
}

SecStatus SimLegacyKeychain::deleteItem(ItemClass itemClass, std::string_view service,
                                        std::string_view account)
{
    std::lock_guard lock(mutex_);
    const auto removed =
        std::erase_if(items_, [&](const Item& item) { return sameItem(item, itemClass, service, account); });
    const SecStatus status = removed > 0 ? errSecSuccess : errSecItemNotFound;
    calls_.push_back(
        {Call::Kind::deleteItem, itemClass, std::string(service), std::string(account), false, status});
    return status;
}

SecStatus SimLegacyKeychain::deleteAll(ItemClass itemClass, std::string_view service)
{
    std::lock_guard lock(mutex_);
    const auto removed = std::erase_if(
        items_, [&](const Item& item) { return item.itemClass == itemClass && item.service == service; });
    const SecStatus status = removed > 0 ? errSecSuccess : errSecItemNotFound;
    calls_.push_back({Call::Kind::deleteAll, itemClass, std::string(service), std::nullopt, false, status});
    return status;
}

std::vector<SimLegacyKeychain::Call> SimLegacyKeychain::calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

std::size_t SimLegacyKeychain::callCount(Call::Kind kind) const
{
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [&](const Call& call) { return call.kind == kind; }));
}

void SimLegacyKeychain::clearCalls()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::vector<LegacyKeychain::Item> SimLegacyKeychain::items() const
{
    std::lock_guard lock(mutex_);
    return items_;
}

bool SimLegacyKeychain::contains(ItemClass itemClass, std::string_view service,
                                 std::string_view account) const
{
    std::lock_guard lock(mutex_);
    return std::any_of(items_.begin(), items_.end(),
                       [&](const Item& item) { return sameItem(item, itemClass, service, account); });
}

}  // namespace qm
