#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/notifications/Notification.h"

namespace qm {

// Delivers named notifications to the blocks observing them, synchronously on
// the poster's thread, in the order the observers were added. An observer that
// gave an object hears only posts from that object; one that gave none hears
// every post of its name. Adding, removing and posting are safe from any
// thread and from inside an observer.
//
// Once removeObserver returns, no new call of that block starts; a call already
// running on another thread finishes. Observers added during a post hear the
// next post, not the current one.
class NotificationCenter {
public:
    using Block = std::function<void(const Notification&)>;

    // Identifies one observer for removal. Tokens are unique across centres.
    class ObserverToken {
    public:
        ObserverToken() = default;
        bool isValid() const { return id_ != 0; }
        friend bool operator==(const ObserverToken&, const ObserverToken&) = default;

    private:
        friend class NotificationCenter;
        explicit ObserverToken(std::uint64_t id) : id_(id) {}
        std::uint64_t id_ = 0;
    };

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    ObserverToken addObserver(std::string name, const void* object, Block block);
    // Removing an unknown or already removed token does nothing.
    void removeObserver(const ObserverToken& token);

    void post(const Notification& notification);
    void post(std::string name, const void* object = nullptr, UserInfo userInfo = {});

    // How many observers listen for `name`, whatever their object.
    std::size_t observerCount(std::string_view name) const;

private:
    struct Observer;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Observer>> observers_;
};

}  // namespace qm
