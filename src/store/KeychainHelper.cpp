#include "store/KeychainHelper.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "platform/runtime/SerialQueue.h"
#include "platform/storage/LegacyKeychain.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kProbeService = "QuillmarkerKeychainAuthTest";

struct LegacyItem {
    std::string_view service;
    std::string_view account;
};

// In this order: where two legacy items land in the same file, the earlier one wins.
constexpr std::array<LegacyItem, 7> kLegacyItems{{
    {"com.quillmarker.app", "fieldMemory.encryptionKey"},
    {"com.quillmarker.app", "mcp_token"},
    {"QuillmarkerFieldMemory", "encryptionKey"},
    {"QuillmarkerAI", "slackToken"},
    {"QuillmarkerAI", "openai"},
    {"QuillmarkerAI", "anthropic"},
    {"NorvoAI", "slackToken"},
}};

struct LegacyReadResult {
    enum class Kind { found, nothingToMove, needsUserInteraction };
    Kind kind;
    KeychainHelper::Bytes data;
};

}  // namespace

struct KeychainHelper::Storage {
    Storage(LegacyKeychain* legacyKeychain, std::optional<fs::path> support)
        : keychain(legacyKeychain), applicationSupport(std::move(support))
    {
    }

    LegacyKeychain* const keychain;
    const std::optional<fs::path> applicationSupport;
    std::atomic<bool> didPurgeLegacyKeychain{false};
    // Last member: drained first, while everything a queued operation uses is in place.
    SerialQueue queue{"com.quillmarker.app.localSecrets"};
};

namespace {

using Storage = KeychainHelper::Storage;

std::optional<fs::path> secretsDirectory(const Storage& storage)
{
    const auto& support = storage.applicationSupport;
    if (!support) {
        return std::nullopt;
    }
    fs::path folder = *support / paths::kBundleIdentifier / "local-secrets";
    if (const std::error_code error = file::createPrivateFolder(folder)) {
        Log::log("❌ Failed to create local secrets directory: " + error.message());
        return std::nullopt;
    }
    return folder;
}

// Percent-encoding keeps the name injective only for valid UTF-8: two different
// invalid byte strings could both encode as U+FFFD and share a file.
bool isStorableName(std::string_view service, std::string_view key)
{
    return text::isValidUtf8(service) && text::isValidUtf8(key);
}

std::string fileName(std::string_view service, std::string_view key)
{
    return text::percentEncodeAlphanumerics(service) + "__" + text::percentEncodeAlphanumerics(key) +
           ".secret";
}

std::optional<fs::path> fileURL(const Storage& storage, std::string_view service, std::string_view key)
{
    auto folder = secretsDirectory(storage);
    if (!folder) {
        return std::nullopt;
    }
    return *folder / fileName(service, key);
}

void deleteKeychainItem(const Storage& storage, std::string_view service, std::string_view key)
{
    if (auto* keychain = storage.keychain) {
        (void)keychain->deleteItem(LegacyKeychain::ItemClass::genericPassword, service, key);
    }
}

LegacyItem legacyTarget(const LegacyItem& item)
{
    if (item.service == "QuillmarkerFieldMemory" && item.account == "encryptionKey") {
        return {KeychainHelper::service, "fieldMemory.encryptionKey"};
    }
    if (item.service == "NorvoAI" && item.account == "slackToken") {
        return {"QuillmarkerAI", "slackToken"};
    }
    if (item.service == "QuillmarkerAI") {
        return item;
    }
    return {KeychainHelper::service, item.account};
}

LegacyReadResult readLegacyItem(LegacyKeychain& keychain, const LegacyItem& item)
{
    LegacyKeychain::Query query;
    query.itemClass = LegacyKeychain::ItemClass::genericPassword;
    query.service = item.service;
    query.account = std::string(item.account);
    query.returnData = true;
    query.matchAll = false;
    query.skipAuthenticationUI = true;
    auto result = keychain.copyMatching(query);

    if (result.status == errSecItemNotFound) {
        return {LegacyReadResult::Kind::nothingToMove, {}};
    }
    if (result.status != errSecSuccess) {
        return {LegacyReadResult::Kind::needsUserInteraction, {}};
    }
    if (result.matches.empty() || !result.matches.front().data || result.matches.front().data->empty()) {
        return {LegacyReadResult::Kind::nothingToMove, {}};
    }
    return {LegacyReadResult::Kind::found, std::move(*result.matches.front().data)};
}

void moveLegacyItem(const Storage& storage, LegacyKeychain& keychain, const LegacyItem& item)
{
    const std::string name = std::string(item.service) + "/" + std::string(item.account);
    auto read = readLegacyItem(keychain, item);
    switch (read.kind) {
    case LegacyReadResult::Kind::nothingToMove:
        deleteKeychainItem(storage, item.service, item.account);
        return;
    case LegacyReadResult::Kind::needsUserInteraction:
        Log::log("🔑 Legacy Keychain item " + name + " requires UI to read; left in place.");
        return;
    case LegacyReadResult::Kind::found:
        break;
    }

    // A file already at the target wins over the legacy copy. Anything else
    // there, or a failed write, keeps the item for the next launch to try again.
    const LegacyItem target = legacyTarget(item);
    auto path = fileURL(storage, target.service, target.account);
    if (!path) {
        return;
    }
    std::error_code error;
    if (fs::is_regular_file(*path, error)) {
        deleteKeychainItem(storage, item.service, item.account);
        return;
    }
    if (error && error != std::errc::no_such_file_or_directory) {
        return;
    }
    if (file::writeAtomically(*path, read.data, 0600)) {
        return;
    }
    Log::log("🔑 Migrated legacy Keychain item " + name + " → file store.");
    deleteKeychainItem(storage, item.service, item.account);
}

// Runs on the storage queue, so no file operation can slip in before the move
// has put a legacy secret in place.
void purgeOnQueue(Storage& storage)
{
    if (storage.didPurgeLegacyKeychain.exchange(true)) {
        return;
    }
    if (const char* testMode = std::getenv("QM_TEST_MODE"); testMode && std::string_view(testMode) == "1") {
        return;
    }
    auto* keychain = storage.keychain;
    if (!keychain) {
        return;
    }
    for (const auto& item : kLegacyItems) {
        moveLegacyItem(storage, *keychain, item);
    }
    (void)keychain->deleteAll(LegacyKeychain::ItemClass::genericPassword, kProbeService);
}

SecStatus saveOnQueue(Storage& storage, std::string_view service, std::string_view key, std::string_view data)
{
    purgeOnQueue(storage);
    if (!isStorableName(service, key)) {
        Log::log("❌ Local secret save failed (" + text::validUtf8(service) + "/" + text::validUtf8(key) +
                 "): the service or key is not valid UTF-8");
        return errSecIO;
    }
    auto path = fileURL(storage, service, key);
    if (!path) {
        return errSecIO;
    }
    if (auto error = file::writeAtomically(*path, data, 0600)) {
        Log::log("❌ Local secret save failed (" + std::string(service) + "/" + std::string(key) +
                 "): " + error.message());
        return errSecIO;
    }
    return errSecSuccess;
}

KeychainHelper::LoadResult loadOnQueue(Storage& storage, std::string_view service, std::string_view key)
{
    using Status = KeychainHelper::LoadResult::Status;
    purgeOnQueue(storage);
    if (!isStorableName(service, key)) {
        // Nothing can ever be stored under such a name.
        return {Status::notFound, {}};
    }
    auto path = fileURL(storage, service, key);
    if (!path) {
        return {Status::unreadable, {}};
    }
    // Only a regular file is read: a FIFO planted at the name must not block the queue.
    std::error_code error;
    auto bytes = file::readRegularFile(*path, error);
    if (!bytes) {
        return {error == std::errc::no_such_file_or_directory ? Status::notFound : Status::unreadable, {}};
    }
    return {Status::found, std::move(*bytes)};
}

void removeOnQueue(Storage& storage, std::string_view service, std::string_view key)
{
    purgeOnQueue(storage);
    if (isStorableName(service, key)) {
        if (auto path = fileURL(storage, service, key)) {
            std::error_code ignored;
            fs::remove(*path, ignored);
        }
    }
    deleteKeychainItem(storage, service, key);
}

}  // namespace

KeychainHelper::KeychainHelper(LegacyKeychain* legacyKeychain, std::optional<fs::path> applicationSupport)
    : storage_(std::make_unique<Storage>(legacyKeychain, std::move(applicationSupport)))
{
}

KeychainHelper::~KeychainHelper() = default;

SecStatus KeychainHelper::save(std::string_view service, std::string_view key, std::string_view data,
                               std::optional<std::string_view> /*label*/)
{
    return storage_->queue.syncResult([&] { return saveOnQueue(*storage_, service, key, data); });
}

std::optional<KeychainHelper::Bytes> KeychainHelper::load(std::string_view service, std::string_view key,
                                                          bool /*skipAuthUI*/)
{
    auto result = loadWithStatus(service, key);
    if (result.status != LoadResult::Status::found) {
        return std::nullopt;
    }
    return std::move(result.data);
}

KeychainHelper::LoadResult KeychainHelper::loadWithStatus(std::string_view service, std::string_view key)
{
    return storage_->queue.syncResult([&] { return loadOnQueue(*storage_, service, key); });
}

void KeychainHelper::remove(std::string_view service, std::string_view key)
{
    storage_->queue.sync([&] { removeOnQueue(*storage_, service, key); });
}

void KeychainHelper::purgeLegacyKeychainItemsIfNeeded()
{
    auto& queue = storage_->queue;
    if (queue.isCurrent()) {
        purgeOnQueue(*storage_);
        return;
    }
    if (storage_->didPurgeLegacyKeychain.load()) {
        return;
    }
    queue.sync([this] { purgeOnQueue(*storage_); });
}

}  // namespace qm
