#include "store/sim/SimSecretStore.h"

#include <chrono>
#include <thread>

namespace qm {

SecretStore::LoadResult SimSecretStore::loadWithStatus(std::string_view service, std::string_view key)
{
    double delay = 0;
    {
        std::lock_guard lock(mutex_);
        ++reads_;
        delay = readDelay_;
    }
    // Outside the lock, so that racing readers wait side by side.
    if (delay > 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
    }
    std::lock_guard lock(mutex_);
    if (failingReads_ > 0) {
        --failingReads_;
        return {LoadResult::Status::unreadable, {}};
    }
    const auto found = secrets_.find(Name(service, key));
    if (found == secrets_.end()) {
        return {LoadResult::Status::notFound, {}};
    }
    return {LoadResult::Status::found, found->second};
}

SecStatus SimSecretStore::save(std::string_view service, std::string_view key, std::string_view data,
                               std::optional<std::string_view> /*label*/)
{
    std::lock_guard lock(mutex_);
    ++saves_;
    if (saveStatus_ != errSecSuccess) {
        return saveStatus_;
    }
    secrets_[Name(service, key)] = Bytes(data);
    return errSecSuccess;
}

void SimSecretStore::failNextReads(int count)
{
    std::lock_guard lock(mutex_);
    failingReads_ = count;
}

void SimSecretStore::setSaveStatus(SecStatus status)
{
    std::lock_guard lock(mutex_);
    saveStatus_ = status;
}

void SimSecretStore::setReadDelay(double seconds)
{
    std::lock_guard lock(mutex_);
    readDelay_ = seconds;
}

std::optional<SecretStore::Bytes> SimSecretStore::stored(std::string_view service, std::string_view key) const
{
    std::lock_guard lock(mutex_);
    const auto found = secrets_.find(Name(service, key));
    if (found == secrets_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::size_t SimSecretStore::readCount() const
{
    std::lock_guard lock(mutex_);
    return reads_;
}

std::size_t SimSecretStore::saveCount() const
{
    std::lock_guard lock(mutex_);
    return saves_;
}

}  // namespace qm
