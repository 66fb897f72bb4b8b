#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/notifications/UserInfo.h"

namespace qm {

// Named notifications between processes of the same user session. A post
// reaches every observer of its name in every process, this one included,
// later, on each observer's main thread. The object is a string that names
// the sender or carries a short payload; userInfo travels along.
class DistributedNotificationCenter {
public:
    struct Notification {
        std::string name;
        std::optional<std::string> object;
        UserInfo userInfo;
    };
    using Block = std::function<void(const Notification&)>;

    // Identifies one observer for removal.
    class ObserverToken {
    public:
        ObserverToken() = default;
        explicit ObserverToken(std::uint64_t id) : id_(id) {}
        bool isValid() const { return id_ != 0; }
        std::uint64_t id() const { return id_; }
        friend bool operator==(const ObserverToken&, const ObserverToken&) = default;

    private:
        std::uint64_t id_ = 0;
    };

    virtual ~DistributedNotificationCenter() = default;

    // Observes posts of `name`; with an `object`, only posts carrying that object.
    virtual ObserverToken addObserver(std::string name, std::optional<std::string> object, Block block) = 0;
    // After it returns, the block is not called again. Unknown tokens are ignored.
    virtual void removeObserver(const ObserverToken& token) = 0;

    virtual void postNotification(std::string name, std::optional<std::string> object = std::nullopt,
                                  UserInfo userInfo = {}) = 0;
};

}  // namespace qm
