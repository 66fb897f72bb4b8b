#pragma once

#include <string>

namespace qm {

// One saved password as read from the system keychain.
struct KeychainCredential {
    std::string account;
    // The domain or bundle identifier that was asked for, not read back from the item.
    std::string serviceOrServer;
    std::string value;
    // An internet password found by domain; false for a generic one found by bundle identifier.
    bool isInternet = false;

    friend bool operator==(const KeychainCredential&, const KeychainCredential&) = default;
};

}  // namespace qm
