#include "suggestions/EncryptedColumnValue.h"

#include <system_error>

#include "base/AesGcm.h"
#include "base/Base64.h"
#include "base/Log.h"
#include "base/Text.h"

namespace qm {

std::optional<std::string> EncryptedColumnValue::seal(std::string_view key, std::string_view plaintext)
{
    std::error_code error;
    auto box = AesGcm::seal(key, plaintext, error);
    if (!box) {
        Log::print("❌ AES GCM Encryption failed: " + error.message());
        return std::nullopt;
    }
    return Base64::encode(*box);
}

std::optional<std::string> EncryptedColumnValue::open(std::string_view key, std::string_view text)
{
    const auto box = Base64::decode(text);
    if (!box) {
        return std::nullopt;
    }
    std::error_code error;
    auto plaintext = AesGcm::open(key, *box, error);
    if (!plaintext) {
        Log::print("❌ AES GCM Decryption failed: " + error.message());
        return std::nullopt;
    }
    if (!text::isValidUtf8(*plaintext)) {
        return std::nullopt;
    }
    return plaintext;
}

}  // namespace qm
