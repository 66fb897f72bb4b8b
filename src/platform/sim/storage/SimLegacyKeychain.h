#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/LegacyKeychain.h"

namespace qm {

// A keychain held in memory, for tests and for the stand-in desktop. Items keep
// the order they were added in. Every call is recorded, so a test can tell
// whether anything was read or deleted.
//
// There is nobody to answer a prompt here: reading the data of an item that
// requires user interaction fails with errSecInteractionNotAllowed when the query
// skips the authentication UI, and with errSecAuthFailed (the user refused)
// when it does not. Thread-safe.
class SimLegacyKeychain : public LegacyKeychain {
public:
    struct Call {
        enum class Kind { copyMatching, add, deleteItem, deleteAll };
        Kind kind;
        ItemClass itemClass;
        std::string service;
        std::optional<std::string> account;  // nothing for deleteAll and any-account queries
        bool askedForData = false;           // copyMatching only
        SecStatus status = errSecSuccess;
    };

    CopyResult copyMatching(const Query& query) override;
    SecStatus add(const Item& item) override;
    SecStatus deleteItem(ItemClass itemClass, std::string_view service, std::string_view account) override;
    SecStatus deleteAll(ItemClass itemClass, std::string_view service) override;

    // Every call since construction or the last clearCalls(), in order.
    std::vector<Call> calls() const;
    std::size_t callCount(Call::Kind kind) const;
    void clearCalls();

    // The items now held, in order; reading them records nothing.
    std::vector<Item> items() const;
    bool contains(ItemClass itemClass, std::string_view service, std::string_view account) const;

private:
    mutable std::mutex mutex_;
    std::vector<Item> items_;
    std::vector<Call> calls_;
};

}  // namespace qm
