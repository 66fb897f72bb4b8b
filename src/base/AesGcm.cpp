#include "base/AesGcm.h"

#include <algorithm>
#include <memory>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "base/SecureRandom.h"

namespace qm {

namespace {

struct ContextDeleter {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter>;

// EVP_*Update take int lengths; larger inputs go through in pieces.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

const EVP_CIPHER* cipherFor(std::string_view key)
{
    switch (key.size()) {
    case 16:
        return EVP_aes_128_gcm();
    case 24:
        return EVP_aes_192_gcm();
    case 32:
        return EVP_aes_256_gcm();
    default:
        return nullptr;
    }
}

const unsigned char* octets(std::string_view bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.data());
}
unsigned char* octets(std::string& bytes)
{
    return reinterpret_cast<unsigned char*>(bytes.data());
}

std::optional<std::string> failWith(AesGcmError reason, std::error_code& error)
{
    error = reason;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> AesGcm::seal(std::string_view key, std::string_view plaintext,
                                        std::error_code& error)
{
    const auto nonce = SecureRandom::bytes(kNonceSize);
    if (!nonce) {
        return failWith(AesGcmError::randomSourceFailure, error);
    }
    return seal(key, plaintext, *nonce, error);
}

std::optional<std::string> AesGcm::seal(std::string_view key, std::string_view plaintext,
                                        std::string_view nonce, std::error_code& error)
{
    const EVP_CIPHER* cipher = cipherFor(key);
    if (!cipher) {
        return failWith(AesGcmError::incorrectKeySize, error);
    }
    if (nonce.size() != kNonceSize) {
        return failWith(AesGcmError::incorrectParameterSize, error);
    }
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_EncryptInit_ex2(context.get(), cipher, octets(key), octets(nonce), nullptr) != 1) {
        return failWith(AesGcmError::underlyingCryptoFailure, error);
    }

    std::string box(kNonceSize + plaintext.size() + kTagSize, '\0');
    std::copy(nonce.begin(), nonce.end(), box.begin());
    unsigned char* out = octets(box) + kNonceSize;
    for (std::size_t offset = 0; offset < plaintext.size(); offset += kMaxChunk) {
        const std::size_t length = std::min(kMaxChunk, plaintext.size() - offset);
        int written = 0;
        if (EVP_EncryptUpdate(context.get(), out, &written, octets(plaintext) + offset,
                              static_cast<int>(length)) != 1) {
            return failWith(AesGcmError::underlyingCryptoFailure, error);
        }
        out += written;
    }
    int finalLength = 0;
    if (EVP_EncryptFinal_ex(context.get(), out, &finalLength) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_GET_TAG, static_cast<int>(kTagSize),
                            octets(box) + kNonceSize + plaintext.size()) != 1) {
        return failWith(AesGcmError::underlyingCryptoFailure, error);
    }
    error.clear();
    return box;
}

std::optional<std::string> AesGcm::open(std::string_view key, std::string_view combined,
                                        std::error_code& error)
{
    const EVP_CIPHER* cipher = cipherFor(key);
    if (!cipher) {
        return failWith(AesGcmError::incorrectKeySize, error);
    }
    if (combined.size() < kNonceSize + kTagSize) {
        return failWith(AesGcmError::incorrectParameterSize, error);
    }
    const std::string_view nonce = combined.substr(0, kNonceSize);
    const std::string_view ciphertext = combined.substr(kNonceSize, combined.size() - kNonceSize - kTagSize);
    unsigned char tag[kTagSize];
    std::copy_n(octets(combined.substr(combined.size() - kTagSize)), kTagSize, tag);

    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context || EVP_DecryptInit_ex2(context.get(), cipher, octets(key), octets(nonce), nullptr) != 1) {
        return failWith(AesGcmError::underlyingCryptoFailure, error);
    }

    std::string plaintext(ciphertext.size(), '\0');
    // Bytes decrypted before the tag is checked are not to be trusted or kept.
    auto discard = [&plaintext](AesGcmError reason, std::error_code& error) {
        OPENSSL_cleanse(plaintext.data(), plaintext.size());
        return failWith(reason, error);
    };
    unsigned char* out = octets(plaintext);
    for (std::size_t offset = 0; offset < ciphertext.size(); offset += kMaxChunk) {
        const std::size_t length = std::min(kMaxChunk, ciphertext.size() - offset);
        int written = 0;
        if (EVP_DecryptUpdate(context.get(), out, &written, octets(ciphertext) + offset,
                              static_cast<int>(length)) != 1) {
            return discard(AesGcmError::underlyingCryptoFailure, error);
        }
        out += written;
    }
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_AEAD_SET_TAG, static_cast<int>(kTagSize), tag) != 1) {
        return discard(AesGcmError::underlyingCryptoFailure, error);
    }
    int finalLength = 0;
    if (EVP_DecryptFinal_ex(context.get(), out, &finalLength) != 1) {
        return discard(AesGcmError::authenticationFailure, error);
    }
    error.clear();
    return plaintext;
}

}  // namespace qm
