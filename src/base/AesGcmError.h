#pragma once

#include <system_error>
#include <type_traits>

namespace qm {

// Why an AES-GCM seal or open failed. The message of each is its case name
// ("authenticationFailure"), which is what the system's log lines show.
enum class AesGcmError {
    incorrectKeySize = 1,     // key not 16, 24 or 32 bytes
    incorrectParameterSize,   // nonce not 12 bytes, or a combined box shorter than nonce + tag
    authenticationFailure,    // wrong key, or a byte of the box was altered
    randomSourceFailure,      // no fresh nonce could be drawn
    underlyingCryptoFailure,  // the cipher itself failed
};

const std::error_category& aesGcmCategory();
std::error_code make_error_code(AesGcmError error);

}  // namespace qm

template <> struct std::is_error_code_enum<qm::AesGcmError> : std::true_type {
};
