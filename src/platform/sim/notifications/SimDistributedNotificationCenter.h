#pragma once

#include <memory>
#include <vector>

#include "platform/notifications/DistributedNotificationCenter.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

// The stand-in distributed centre. Each instance plays one process with its
// own main loop; instances built on the same session (the peer constructor)
// hear each other's posts, so a test can play "another process" posting to
// the program. Delivery is always later, on the receiving process's main loop.
class SimDistributedNotificationCenter final : public DistributedNotificationCenter {
public:
    // A process alone on a new session.
    explicit SimDistributedNotificationCenter(MainLoop& loop);
    // Another process on the session of `peer`.
    SimDistributedNotificationCenter(MainLoop& loop, const SimDistributedNotificationCenter& peer);
    ~SimDistributedNotificationCenter() override;
    SimDistributedNotificationCenter(const SimDistributedNotificationCenter&) = delete;
    SimDistributedNotificationCenter& operator=(const SimDistributedNotificationCenter&) = delete;

    ObserverToken addObserver(std::string name, std::optional<std::string> object, Block block) override;
    void removeObserver(const ObserverToken& token) override;
    void postNotification(std::string name, std::optional<std::string> object = std::nullopt,
                          UserInfo userInfo = {}) override;

    // Every notification posted on the session, by any process, in order.
    std::vector<Notification> sessionPosts() const;

private:
    struct Session;
    struct Process;
    static void deliver(const std::weak_ptr<Process>& weak, const Notification& notification);

    std::shared_ptr<Session> session_;
    std::shared_ptr<Process> process_;
};

}  // namespace qm
