#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/SecStatus.h"

namespace qm {

// The password items of the system keychain that older versions of the program
// used. The program no longer stores anything there; it reads items to move them
// into its own store, deletes them afterwards, and looks up saved passwords.
class LegacyKeychain {
public:
    enum class ItemClass {
        genericPassword,   // found by service (an application's identifier)
        internetPassword,  // found by server (a web domain)
    };

    struct Item {
        ItemClass itemClass = ItemClass::genericPassword;
        std::string service;                 // the server, for internet passwords
        std::optional<std::string> account;  // an item may have no account attribute
        std::optional<std::string> data;     // the secret bytes, if the item holds any
        // Reading this item's data needs the user to approve it in a prompt.
        bool requiresUserInteraction = false;
    };

    struct Query {
        ItemClass itemClass = ItemClass::genericPassword;
        std::string service;
        std::optional<std::string> account;  // nothing: any account
        bool returnData = false;
        bool returnAttributes = false;
        bool matchAll = false;  // false: at most one match
        // Fail with errSecInteractionNotAllowed instead of prompting the user.
        bool skipAuthenticationUI = false;
    };

    // One match. `account` is filled when attributes were asked for, `data`
    // when data was asked for (and the item holds some).
    struct Match {
        std::optional<std::string> account;
        std::optional<std::string> data;
    };

    struct CopyResult {
        SecStatus status = errSecItemNotFound;
        std::vector<Match> matches;  // empty unless the status is errSecSuccess
    };

    virtual ~LegacyKeychain() = default;

    // Matches are given in the order the items were added.
    virtual CopyResult copyMatching(const Query& query) = 0;

    // errSecDuplicateItem when an item of the same class, service and account exists.
    virtual SecStatus add(const Item& item) = 0;

    // The item with exactly this service and account; errSecItemNotFound if there is none.
    virtual SecStatus deleteItem(ItemClass itemClass, std::string_view service, std::string_view account) = 0;

    // Every item of the service, whatever its account; errSecItemNotFound if there is none.
    virtual SecStatus deleteAll(ItemClass itemClass, std::string_view service) = 0;
};

}  // namespace qm
