#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "suggestions/FieldContext.h"

namespace qm {

class DatabaseManager;
class PrivacyFirewall;
class SecretStore;
class UserDefaults;

// Remembers what the user types into classified fields of other applications,
// per field context, application, web domain and label, and offers it back.
// Values are stored only as encrypted column values (EncryptedColumnValue)
// under one 256-bit key kept in the secret store, beside the SHA-256 of the
// value, so repeats are counted without decrypting anything. Rows live in the
// rules database's field_memory table.
//
// Never learned: password fields, values from applications the privacy
// firewall excludes, values the firewall finds unsafe (keys, tokens, card
// numbers), and anything while a switch below is stored as false. A switch
// that is absent, or not a Boolean, counts as on.
//
// Any thread: learning runs on the main thread, encrypt() from MCP request
// tasks, decrypt() from the colour picker. The key is loaded or created once,
// under a lock, and then served from memory for the life of the engine.
class FieldMemoryEngine {
public:
    static constexpr std::string_view keyItem = "fieldMemory.encryptionKey";
    static constexpr std::string_view keyLabel = "Quillmarker Field Memory Encryption Key";
    static constexpr std::string_view liveAssistantSwitch = "isLiveAssistantEnabled";
    static constexpr int retentionDays = 180;
    static constexpr std::size_t maxSuggestions = 5;

    // All four must outlive the engine. Creating it purges rows unused for
    // retentionDays.
    FieldMemoryEngine(DatabaseManager& database, SecretStore& secrets, const UserDefaults& defaults,
                      const PrivacyFirewall& firewall);
    FieldMemoryEngine(const FieldMemoryEngine&) = delete;
    FieldMemoryEngine& operator=(const FieldMemoryEngine&) = delete;

    // The defaults key that switches learning off for one context; nothing for
    // password, which is never learned.
    static std::optional<std::string_view> retentionSwitch(FieldContext context);

    // Stores the value, trimmed, when nothing above forbids it. Returns at once;
    // the row is written on the database's queue.
    void learnFieldValue(FieldContext context, const std::optional<std::string>& label,
                         std::string_view value, std::string_view appBundleId,
                         const std::optional<std::string>& domain);

    // Up to five remembered values, most often used first, then most recently
    // used, whose lower-cased form begins with the lower-cased prefix (every
    // value for an empty prefix). Values that no longer decrypt are skipped.
    std::vector<std::string> getSuggestions(FieldContext context, std::string_view appBundleId,
                                            const std::optional<std::string>& domain,
                                            std::string_view currentPrefix);

    // The encrypted column value of `value`; nothing while no key can be had.
    std::optional<std::string> encrypt(std::string_view value);
    // The clear value of an encrypted column value; nothing when it does not open.
    std::optional<std::string> decrypt(std::string_view text);

    // Deletes the rows last used more than retentionDays ago.
    void purgeOldMemory();

private:
    std::optional<std::string> getOrCreateSymmetricKey();
    bool isSwitchedOff(std::string_view key) const;

    DatabaseManager& database_;
    SecretStore& secrets_;
    const UserDefaults& defaults_;
    const PrivacyFirewall& firewall_;

    std::mutex keyMutex_;
    std::optional<std::string> cachedKey_;
};

}  // namespace qm
