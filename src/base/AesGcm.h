#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "base/AesGcmError.h"

namespace qm {

// AES-GCM in the "combined box" form: nonce (12 bytes) || ciphertext (as long as
// the plaintext) || tag (16 bytes), no associated data. The Base64 text of such a
// box is the system's encrypted column value. The key's length picks AES-128, -192
// or -256. Keys, plaintexts and boxes are bytes in std::string(_view).
//
// On failure the result is empty and `error` holds an AesGcmError; on success
// `error` is cleared.
class AesGcm {
public:
    AesGcm() = delete;

    static constexpr std::size_t kNonceSize = 12;
    static constexpr std::size_t kTagSize = 16;

    // Seals under a fresh random nonce.
    static std::optional<std::string> seal(std::string_view key, std::string_view plaintext,
                                           std::error_code& error);

    // Seals under the given nonce. A nonce must never be used twice with one key;
    // this form exists for known-answer checks.
    static std::optional<std::string> seal(std::string_view key, std::string_view plaintext,
                                           std::string_view nonce, std::error_code& error);

    // The plaintext of an authentic box; nothing for a wrong key, an altered byte
    // or a box shorter than kNonceSize + kTagSize.
    static std::optional<std::string> open(std::string_view key, std::string_view combined,
                                           std::error_code& error);
};

}  // namespace qm
