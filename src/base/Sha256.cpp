#include "base/Sha256.h"

#include <stdexcept>

#include <openssl/evp.h>

namespace qm {

std::string Sha256::hash(std::string_view bytes)
{
    std::string digest(kDigestSize, '\0');
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), reinterpret_cast<unsigned char*>(digest.data()), &length,
                   EVP_sha256(), nullptr) != 1 ||
        length != kDigestSize) {
        throw std::runtime_error("SHA-256 is unavailable in the crypto library");
    }
    return digest;
}

std::string Sha256::hexDigest(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const std::string digest = hash(bytes);
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (unsigned char byte : digest) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0f]);
    }
    return hex;
}

}  // namespace qm
