#include "base/Hkdf.h"

#include <memory>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/kdf.h>
#include <openssl/params.h>

namespace qm {

namespace {

struct KdfDeleter {
    void operator()(EVP_KDF* kdf) const { EVP_KDF_free(kdf); }
    void operator()(EVP_KDF_CTX* context) const { EVP_KDF_CTX_free(context); }
};

OSSL_PARAM octets(const char* name, std::string_view bytes)
{
    // OpenSSL only reads these buffers; the parameter type has no const form. An
    // empty view may have no storage at all, and a null buffer reads as "not set".
    static char empty = 0;
    char* data = bytes.empty() ? &empty : const_cast<char*>(bytes.data());
    return OSSL_PARAM_construct_octet_string(name, data, bytes.size());
}

}  // namespace

std::optional<std::string> Hkdf::deriveSha256(std::string_view inputKeyMaterial, std::string_view salt,
                                              std::string_view info, std::size_t length)
{
    if (length == 0 || length > kMaxLength) {
        return std::nullopt;
    }
    std::unique_ptr<EVP_KDF, KdfDeleter> kdf(EVP_KDF_fetch(nullptr, OSSL_KDF_NAME_HKDF, nullptr));
    if (!kdf) {
        return std::nullopt;
    }
    std::unique_ptr<EVP_KDF_CTX, KdfDeleter> context(EVP_KDF_CTX_new(kdf.get()));
    if (!context) {
        return std::nullopt;
    }
    char digest[] = "SHA256";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        octets(OSSL_KDF_PARAM_KEY, inputKeyMaterial),
        octets(OSSL_KDF_PARAM_SALT, salt),
        octets(OSSL_KDF_PARAM_INFO, info),
        OSSL_PARAM_construct_end(),
    };
    std::string output(length, '\0');
    if (EVP_KDF_derive(context.get(), reinterpret_cast<unsigned char*>(output.data()), output.size(),
                       params) != 1) {
        OPENSSL_cleanse(output.data(), output.size());
        return std::nullopt;
    }
    return output;
}

}  // namespace qm
