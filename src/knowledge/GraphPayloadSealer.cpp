#include "knowledge/GraphPayloadSealer.h"

#include <utility>

#include "base/AesGcm.h"
#include "base/Hkdf.h"
#include "base/Sha256.h"
#include "base/Text.h"

namespace qm {

namespace {

constexpr std::size_t kKeySize = 32;

}  // namespace

GraphPayloadSealer::GraphPayloadSealer(std::string info, Errors errors, RandomBytes random)
    : info_(std::move(info)), errors_(std::move(errors)), random_(std::move(random))
{
}

std::optional<std::string> GraphPayloadSealer::seal(std::string_view plaintext, std::string_view passphrase,
                                                    std::error_code& error) const
{
    const auto salt = random_(kSaltSize);
    if (!salt || salt->size() != kSaltSize) {
        error = errors_.randomSaltFailed;
        return std::nullopt;
    }
    const auto key = deriveSymmetricKey(passphrase, *salt);
    if (!key) {
        error = errors_.keyDerivationFailed;
        return std::nullopt;
    }
    const auto nonce = random_(AesGcm::kNonceSize);
    if (!nonce || nonce->size() != AesGcm::kNonceSize) {
        error = AesGcmError::randomSourceFailure;
        return std::nullopt;
    }
    auto box = AesGcm::seal(*key, plaintext, *nonce, error);
    if (!box) {
        return std::nullopt;
    }
    error.clear();
    return *salt + *box;
}

std::optional<std::string> GraphPayloadSealer::open(std::string_view payload, std::string_view passphrase,
                                                    std::error_code& error) const
{
    // A payload of salt and one byte at least may be salted; anything that
    // goes wrong there only means it may be a legacy box instead.
    if (payload.size() > kSaltSize) {
        if (const auto key = deriveSymmetricKey(passphrase, payload.substr(0, kSaltSize))) {
            std::error_code ignored;
            if (auto plaintext = AesGcm::open(*key, payload.substr(kSaltSize), ignored)) {
                error.clear();
                return plaintext;
            }
        }
    }
    const auto legacyKey = deriveLegacyKey(passphrase);
    if (!legacyKey) {
        error = errors_.keyDerivationFailed;
        return std::nullopt;
    }
    auto plaintext = AesGcm::open(*legacyKey, payload, error);
    if (plaintext) {
        error.clear();
    }
    return plaintext;
}

std::optional<std::string> GraphPayloadSealer::deriveSymmetricKey(std::string_view passphrase,
                                                                  std::string_view salt) const
{
    if (!text::isValidUtf8(passphrase)) {
        return std::nullopt;
    }
    return Hkdf::deriveSha256(passphrase, salt, info_, kKeySize);
}

std::optional<std::string> GraphPayloadSealer::deriveLegacyKey(std::string_view passphrase)
{
    if (!text::isValidUtf8(passphrase)) {
        return std::nullopt;
    }
    return Sha256::hash(passphrase);
}

}  // namespace qm
