#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/storage/SecStatus.h"

namespace qm {

class LegacyKeychain;

// The program's secrets (the field-memory key, the MCP token, the Slack token,
// the language-model API keys), one file per secret in the private folder
// <Application Support>/com.quillmarker.app/local-secrets. The keychain is only
// touched to move items that older versions left there into the files, and to
// delete them.
//
// The app builds one. Each operation runs on its serial queue
// "com.quillmarker.app.localSecrets" and waits for it, so file accesses never
// overlap; they may be called from any thread except that queue itself. Each
// first performs the legacy move (once per helper) on that queue, so no caller
// can read a secret's file before the move has put the legacy value there.
//
// The folder is 0700 (an existing folder of ours that is wider is tightened);
// every file is created 0600 and moved into place whole.
class KeychainHelper {
public:
    // Secret bytes, opaque; a std::string holds any byte values.
    using Bytes = std::string;

    // The default service: the program's bundle identifier.
    static constexpr std::string_view service = "com.quillmarker.app";

    struct LoadResult {
        enum class Status {
            found,       // `data` is the secret
            notFound,    // nothing is stored under this service and key
            unreadable,  // something may be stored but could not be read: do not replace it
        };
        Status status = Status::notFound;
        Bytes data;
    };

    // `applicationSupport` is the folder holding "com.quillmarker.app"; without
    // one every save fails and every load is unreadable. Without a legacy
    // keychain (Linux keeps none of ours) the legacy move and the keychain half
    // of remove() do nothing; a given one must outlive the helper.
    KeychainHelper(LegacyKeychain* legacyKeychain, std::optional<std::filesystem::path> applicationSupport);
    // Waits for the operation running on the queue.
    ~KeychainHelper();
    KeychainHelper(const KeychainHelper&) = delete;
    KeychainHelper& operator=(const KeychainHelper&) = delete;

    // Writes the secret, replacing any earlier one. errSecSuccess, or errSecIO for
    // every failure. The label is accepted for the caller's benefit and not stored.
    SecStatus save(std::string_view service, std::string_view key, std::string_view data,
                   std::optional<std::string_view> label = std::nullopt);

    // The secret, or nothing when it is absent *or unreadable*. skipAuthUI has no
    // effect on the file store. A caller that would create a new secret when there
    // is none (a key, a token) must use loadWithStatus() instead, so that a read
    // failure never replaces the secret it failed to read.
    std::optional<Bytes> load(std::string_view service, std::string_view key, bool skipAuthUI = true);
    LoadResult loadWithStatus(std::string_view service, std::string_view key);

    // Removes the secret's file (a missing one is fine) and any legacy keychain
    // generic-password item of the same service and account.
    void remove(std::string_view service, std::string_view key);

    // Moves the legacy keychain items into the file store, once per helper.
    // Skipped, and nothing read or deleted, when QM_TEST_MODE is "1".
    void purgeLegacyKeychainItemsIfNeeded();

    struct Storage;

private:
    std::unique_ptr<Storage> storage_;
};

}  // namespace qm
