#include "platform/notifications/NotificationCenter.h"

#include <algorithm>
#include <atomic>

namespace qm {

struct NotificationCenter::Observer {
    std::uint64_t id;
    std::string name;
    const void* object;
    Block block;
    std::atomic<bool> removed{false};
};

namespace {

std::atomic<std::uint64_t> nextObserverId{1};

}  // namespace

NotificationCenter::ObserverToken NotificationCenter::addObserver(std::string name, const void* object,
                                                                  Block block)
{
    auto observer = std::make_shared<Observer>();
    observer->id = nextObserverId.fetch_add(1);
    observer->name = std::move(name);
    observer->object = object;
    observer->block = std::move(block);
    const ObserverToken token(observer->id);
    std::lock_guard lock(mutex_);
    observers_.push_back(std::move(observer));
    return token;
}

void NotificationCenter::removeObserver(const ObserverToken& token)
{
    if (!token.isValid()) {
        return;
    }
    std::shared_ptr<Observer> removed;
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(observers_.begin(), observers_.end(),
                                        [&](const auto& observer) { return observer->id == token.id_; });
        if (found == observers_.end()) {
            return;
        }
        removed = std::move(*found);
        observers_.erase(found);
        removed->removed.store(true);
    }
    // `removed` may hold the last reference to the block's captures: they are
    // released here, outside the lock, in case their destructors post.
}

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<Observer>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& observer : observers_) {
            if (observer->name == notification.name &&
                (observer->object == nullptr || observer->object == notification.object)) {
                matching.push_back(observer);
            }
        }
    }
    for (const auto& observer : matching) {
        // An earlier observer may have removed this one during this post.
        if (!observer->removed.load() && observer->block) {
            observer->block(notification);
        }
    }
}

void NotificationCenter::post(std::string name, const void* object, UserInfo userInfo)
{
    post(Notification{std::move(name), object, std::move(userInfo)});
}

std::size_t NotificationCenter::observerCount(std::string_view name) const
{
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        observers_.begin(), observers_.end(), [&](const auto& observer) { return observer->name == name; }));
}

}  // namespace qm
