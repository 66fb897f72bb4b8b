#include "suggestions/KeychainBridge.h"

#include <random>
#include <utility>

#include "base/Text.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

KeychainBridge::KeychainBridge(LegacyKeychain& keychain, MainLoop& mainLoop, RandomBytes randomBytes)
    : keychain_(keychain), mainLoop_(mainLoop), randomBytes_(std::move(randomBytes))
{
}

void KeychainBridge::fetchCredentials(const std::optional<std::string>& domain,
                                      const std::optional<std::string>& appBundleId,
                                      std::function<void(std::vector<KeychainCredential>)> completion)
{
    queue_.async([this, domain, appBundleId, completion = std::move(completion)]() mutable {
        std::vector<KeychainCredential> results;
        if (domain && !domain->empty()) {
            results = credentials(LegacyKeychain::ItemClass::internetPassword, *domain);
        }
        if (appBundleId && !appBundleId->empty()) {
            auto generic = credentials(LegacyKeychain::ItemClass::genericPassword, *appBundleId);
            results.insert(results.end(), std::make_move_iterator(generic.begin()),
                           std::make_move_iterator(generic.end()));
        }
        mainLoop_.post([completion = std::move(completion), results = std::move(results)]() mutable {
            completion(std::move(results));
        });
    });
}

std::vector<KeychainCredential> KeychainBridge::credentials(LegacyKeychain::ItemClass itemClass,
                                                            const std::string& serviceOrServer) const
{
    LegacyKeychain::Query query;
    query.itemClass = itemClass;
    query.service = serviceOrServer;
    query.returnAttributes = true;
    query.returnData = true;
    query.matchAll = true;
    const auto result = keychain_.copyMatching(query);

    std::vector<KeychainCredential> found;
    if (result.status != errSecSuccess) {
        return found;
    }
    const bool isInternet = itemClass == LegacyKeychain::ItemClass::internetPassword;
    for (const auto& match : result.matches) {
        if (!match.account || !match.data || !text::isValidUtf8(*match.data)) {
            continue;
        }
        found.push_back({*match.account, serviceOrServer, *match.data, isInternet});
    }
    return found;
}

std::string KeychainBridge::generateSecurePassword() const
{
    std::string password;
    password.reserve(passwordLength);
    for (std::size_t i = 0; i < passwordLength; ++i) {
        std::size_t index = 0;
        const auto byte = randomBytes_ ? randomBytes_(1) : std::nullopt;
        if (byte && byte->size() == 1) {
            index = static_cast<unsigned char>((*byte)[0]) % passwordAlphabet.size();
        } else {
            // The secure source failed: an unbiased draw from the kernel's generator.
            std::random_device device;
            std::uniform_int_distribution<std::size_t> draw(0, passwordAlphabet.size() - 1);
            index = draw(device);
        }
        password.push_back(passwordAlphabet[index]);
    }
    return password;
}

bool KeychainBridge::isAuthorized() const
{
    LegacyKeychain::Query query;
    query.itemClass = LegacyKeychain::ItemClass::genericPassword;
    query.service = std::string(authorizationProbeService);
    query.returnData = false;
    return keychain_.copyMatching(query).status != errSecAuthFailed;
}

}  // namespace qm
