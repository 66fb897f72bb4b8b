#include "suggestions/FieldMemoryEngine.h"

#include "base/Log.h"
#include "base/SecureRandom.h"
#include "base/Sha256.h"
#include "base/Text.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"
#include "store/PrivacyFirewall.h"
#include "store/SecretStore.h"
#include "suggestions/EncryptedColumnValue.h"

namespace qm {

namespace {

constexpr std::size_t kKeySize = 32;

// Letter case ignored, one user-perceived character at a time, as the value is
// shown: "é" written as e + U+0301 does not begin with "e".
bool beginsWith(std::string_view value, std::string_view prefix)
{
    const std::string lowerValue = text::lowercased(value);
    const std::string lowerPrefix = text::lowercased(prefix);
    const std::string head = text::truncateGraphemes(lowerValue, text::graphemeCount(lowerPrefix));
    return text::canonicallyEqual(head, lowerPrefix);
}

}  // namespace

FieldMemoryEngine::FieldMemoryEngine(DatabaseManager& database, SecretStore& secrets,
                                     const UserDefaults& defaults, const PrivacyFirewall& firewall)
    : database_(database), secrets_(secrets), defaults_(defaults), firewall_(firewall)
{
    purgeOldMemory();
}

std::optional<std::string_view> FieldMemoryEngine::retentionSwitch(FieldContext context)
{
    switch (context) {
    case FieldContext::email:
        return "isEmailRetentionEnabled";
    case FieldContext::password:
        return std::nullopt;
    case FieldContext::search:
        return "isSearchRetentionEnabled";
    case FieldContext::url:
        return "isUrlRetentionEnabled";
    case FieldContext::phone:
        return "isPhoneRetentionEnabled";
    case FieldContext::creditCard:
        return "isCreditCardRetentionEnabled";
    case FieldContext::date:
        return "isDateRetentionEnabled";
    case FieldContext::color:
        return "isColorRetentionEnabled";
    case FieldContext::code:
        return "isCodeRetentionEnabled";
    case FieldContext::plainText:
        return "isPlainTextRetentionEnabled";
    case FieldContext::number:
        return "isNumberRetentionEnabled";
    case FieldContext::unknown:
        return "isUnknownRetentionEnabled";
    }
    return std::nullopt;
}

std::optional<std::string> FieldMemoryEngine::getOrCreateSymmetricKey()
{
    // One lock around the whole load-or-create: two first calls racing must not
    // each save a key of their own, or one of them seals values nobody can open.
    std::lock_guard lock(keyMutex_);
    if (cachedKey_) {
        return cachedKey_;
    }

    auto stored = secrets_.loadWithStatus(KeychainHelper::service, keyItem);
    switch (stored.status) {
    case SecretStore::LoadResult::Status::found:
        cachedKey_ = std::move(stored.data);
        return cachedKey_;
    case SecretStore::LoadResult::Status::unreadable:
        // A key may be there: replacing it would lose every value sealed under
        // it for good. Nothing this time; the next call reads again.
        Log::print("❌ Field memory encryption key could not be read; trying again on next use");
        return std::nullopt;
    case SecretStore::LoadResult::Status::notFound:
        break;
    }

    auto key = SecureRandom::bytes(kKeySize);
    if (!key) {
        Log::print("❌ Failed to create field memory encryption key: no random bytes");
        return std::nullopt;
    }
    const SecStatus status = secrets_.save(KeychainHelper::service, keyItem, *key, keyLabel);
    if (status != errSecSuccess) {
        Log::print("❌ Failed to save field memory encryption key to Keychain: " + std::to_string(status));
        return std::nullopt;
    }
    cachedKey_ = std::move(key);
    return cachedKey_;
}

std::optional<std::string> FieldMemoryEngine::encrypt(std::string_view value)
{
    const auto key = getOrCreateSymmetricKey();
    if (!key) {
        return std::nullopt;
    }
    return EncryptedColumnValue::seal(*key, value);
}

std::optional<std::string> FieldMemoryEngine::decrypt(std::string_view text)
{
    const auto key = getOrCreateSymmetricKey();
    if (!key) {
        return std::nullopt;
    }
    return EncryptedColumnValue::open(*key, text);
}

bool FieldMemoryEngine::isSwitchedOff(std::string_view key) const
{
    const auto stored = defaults_.objectForKey(std::string(key));
    if (!stored) {
        return false;
    }
    const bool* flag = stored->get<bool>();
    return flag && !*flag;
}

void FieldMemoryEngine::learnFieldValue(FieldContext context, const std::optional<std::string>& label,
                                        std::string_view value, std::string_view appBundleId,
                                        const std::optional<std::string>& domain)
{
    const auto contextSwitch = retentionSwitch(context);
    if (!contextSwitch) {
        return;
    }
    const std::string trimmed = text::trimmed(value);
    if (trimmed.empty() || isSwitchedOff(liveAssistantSwitch) || isSwitchedOff(*contextSwitch)) {
        return;
    }
    const std::string contextName(rawValue(context));
    if (!firewall_.isSafeToProcess(trimmed, appBundleId, contextName)) {
        return;
    }
    const auto encrypted = encrypt(trimmed);
    if (!encrypted) {
        return;
    }
    // The row is written on the database's queue; its outcome is the database's to log.
    (void)database_.insertFieldMemory(contextName, std::string(appBundleId), domain, label,
                                      Sha256::hexDigest(trimmed), *encrypted);
}

std::vector<std::string> FieldMemoryEngine::getSuggestions(FieldContext context, std::string_view appBundleId,
                                                           const std::optional<std::string>& domain,
                                                           std::string_view currentPrefix)
{
    std::vector<std::string> values;
    if (isSwitchedOff(liveAssistantSwitch)) {
        return values;
    }
    const auto rows =
        database_.fetchFieldMemory(std::string(rawValue(context)), std::string(appBundleId), domain);
    if (rows.empty()) {
        return values;
    }
    // One key for the whole list: a store that cannot be read right now gives
    // no suggestions rather than some.
    const auto key = getOrCreateSymmetricKey();
    if (!key) {
        return values;
    }
    for (const auto& row : rows) {
        const auto encrypted = row.find("value_encrypted");
        if (encrypted == row.end() || encrypted->second.empty()) {
            continue;
        }
        auto value = EncryptedColumnValue::open(*key, encrypted->second);
        if (!value) {
            continue;
        }
        if (currentPrefix.empty() || beginsWith(*value, currentPrefix)) {
            values.push_back(std::move(*value));
        }
        if (values.size() == maxSuggestions) {
            break;
        }
    }
    return values;
}

void FieldMemoryEngine::purgeOldMemory()
{
    (void)database_.purgeOldFieldMemory(retentionDays);
}

}  // namespace qm
