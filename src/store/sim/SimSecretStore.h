#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "store/SecretStore.h"

namespace qm {

// A secret store in memory that a test can make misbehave: reads that fail as
// an unreadable file would, saves that fail, and a delay inside each read so
// that racing callers really overlap. Counts its calls. Thread-safe.
class SimSecretStore final : public SecretStore {
public:
    LoadResult loadWithStatus(std::string_view service, std::string_view key) override;
    SecStatus save(std::string_view service, std::string_view key, std::string_view data,
                   std::optional<std::string_view> label) override;

    // The next `count` reads answer unreadable, whatever is stored.
    void failNextReads(int count);
    // While set, saves answer this status and store nothing.
    void setSaveStatus(SecStatus status);
    // Each read waits this long (real time) before it answers.
    void setReadDelay(double seconds);

    std::optional<Bytes> stored(std::string_view service, std::string_view key) const;
    std::size_t readCount() const;
    std::size_t saveCount() const;

private:
    using Name = std::pair<std::string, std::string>;

    mutable std::mutex mutex_;
    std::map<Name, Bytes> secrets_;
    int failingReads_ = 0;
    SecStatus saveStatus_ = errSecSuccess;
    double readDelay_ = 0;
    std::size_t reads_ = 0;
    std::size_t saves_ = 0;
};

}  // namespace qm
