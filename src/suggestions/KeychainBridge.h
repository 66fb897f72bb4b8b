#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/SerialQueue.h"
#include "platform/storage/LegacyKeychain.h"
#include "suggestions/KeychainCredential.h"

namespace qm {

class MainLoop;

// Reads the user's saved passwords from the system keychain for a web domain
// or an application, generates strong passwords, and tells whether the
// keychain can be queried at all. Unrelated to the program's own secret store.
class KeychainBridge {
public:
    // `count` random bytes, or nothing when the source failed.
    using RandomBytes = std::function<std::optional<std::string>(std::size_t count)>;

    static constexpr std::string_view passwordAlphabet =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$%^&*";
    static constexpr std::size_t passwordLength = 16;
    static constexpr std::string_view authorizationProbeService = "QuillmarkerKeychainAuthTest";

    // The keychain and the main loop must outlive the bridge and every fetch it started.
    KeychainBridge(LegacyKeychain& keychain, MainLoop& mainLoop, RandomBytes randomBytes);
    // Waits for the fetches already queued; their completions still reach the main loop.
    ~KeychainBridge() = default;
    KeychainBridge(const KeychainBridge&) = delete;
    KeychainBridge& operator=(const KeychainBridge&) = delete;

    // Returns at once. On the bridge's queue: the internet passwords saved for
    // `domain`, then the generic ones saved for `appBundleId` (an absent or
    // empty argument skips its query); `completion` gets them once, on the main thread.
    void fetchCredentials(const std::optional<std::string>& domain,
                          const std::optional<std::string>& appBundleId,
                          std::function<void(std::vector<KeychainCredential>)> completion);

    // Sixteen characters of the alphabet, each the alphabet's entry at one
    // random byte modulo 70 (the first 46 entries come up a little more often).
    std::string generateSecurePassword() const;

    // False only when the keychain refuses the probe query as an authentication
    // failure; a missing probe item, the usual answer, counts as authorized.
    // May wait for the user to answer a keychain prompt.
    bool isAuthorized() const;

private:
    std::vector<KeychainCredential> credentials(LegacyKeychain::ItemClass itemClass,
                                                const std::string& serviceOrServer) const;

    LegacyKeychain& keychain_;
    MainLoop& mainLoop_;
    RandomBytes randomBytes_;
    // Last: destroyed first, so queued fetches finish while the rest still exists.
    SerialQueue queue_{"com.quillmarker.keychainBridge"};
};

}  // namespace qm
