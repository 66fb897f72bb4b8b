#include "platform/sim/notifications/SimDistributedNotificationCenter.h"

#include <atomic>
#include <map>
#include <mutex>

namespace qm {

namespace {
std::atomic<std::uint64_t> nextObserverId{1};
}

struct SimDistributedNotificationCenter::Session {
    mutable std::mutex mutex;
    std::vector<std::weak_ptr<Process>> processes;
    std::vector<Notification> posts;
};

struct SimDistributedNotificationCenter::Process {
    explicit Process(MainLoop& loop) : loop(loop) {}

    struct Observer {
        std::string name;
        std::optional<std::string> object;
        std::shared_ptr<Block> block;
    };

    MainLoop& loop;
    std::mutex mutex;
    std::map<std::uint64_t, Observer> observers;  // by id: the order they were added
};

SimDistributedNotificationCenter::SimDistributedNotificationCenter(MainLoop& loop)
    : session_(std::make_shared<Session>()), process_(std::make_shared<Process>(loop))
{
    session_->processes.push_back(process_);
}

SimDistributedNotificationCenter::SimDistributedNotificationCenter(
    MainLoop& loop, const SimDistributedNotificationCenter& peer)
    : session_(peer.session_), process_(std::make_shared<Process>(loop))
{
    std::lock_guard lock(session_->mutex);
    session_->processes.push_back(process_);
}

SimDistributedNotificationCenter::~SimDistributedNotificationCenter()
{
    std::lock_guard lock(session_->mutex);
    std::erase_if(session_->processes, [&](const std::weak_ptr<Process>& process) {
        const auto alive = process.lock();
        return !alive || alive == process_;
    });
}

DistributedNotificationCenter::ObserverToken
SimDistributedNotificationCenter::addObserver(std::string name, std::optional<std::string> object,
                                              Block block)
{
    const std::uint64_t id = nextObserverId.fetch_add(1);
    std::lock_guard lock(process_->mutex);
    process_->observers.emplace(
        id, Process::Observer{std::move(name), std::move(object), std::make_shared<Block>(std::move(block))});
    return ObserverToken(id);
}

void SimDistributedNotificationCenter::removeObserver(const ObserverToken& token)
{
    std::lock_guard lock(process_->mutex);
    process_->observers.erase(token.id());
}

void SimDistributedNotificationCenter::postNotification(std::string name, std::optional<std::string> object,
                                                        UserInfo userInfo)
{
    Notification notification{std::move(name), std::move(object), std::move(userInfo)};
    std::vector<std::shared_ptr<Process>> receivers;
    {
        std::lock_guard lock(session_->mutex);
        session_->posts.push_back(notification);
        for (const auto& weak : session_->processes) {
            if (auto process = weak.lock()) {
                receivers.push_back(std::move(process));
            }
        }
    }
    for (const auto& process : receivers) {
        std::weak_ptr<Process> weak = process;
        process->loop.post([weak, notification] { deliver(weak, notification); });
    }
}

void SimDistributedNotificationCenter::deliver(const std::weak_ptr<Process>& weak,
                                               const Notification& notification)
{
    const auto process = weak.lock();
    if (!process) {
        return;
    }
    std::vector<std::uint64_t> matching;
    {
        std::lock_guard lock(process->mutex);
        for (const auto& [id, observer] : process->observers) {
            if (observer.name == notification.name &&
                (!observer.object || observer.object == notification.object)) {
                matching.push_back(id);
            }
        }
    }
    for (const std::uint64_t id : matching) {
        std::shared_ptr<Block> block;
        {
            // An observer removed by an earlier block of this delivery is not called.
            std::lock_guard lock(process->mutex);
            const auto found = process->observers.find(id);
            if (found == process->observers.end()) {
                continue;
            }
            block = found->second.block;
        }
        (*block)(notification);
    }
}

std::vector<DistributedNotificationCenter::Notification>
SimDistributedNotificationCenter::sessionPosts() const
{
    std::lock_guard lock(session_->mutex);
    return session_->posts;
}

}  // namespace qm
