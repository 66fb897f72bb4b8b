#pragma once

#include <system_error>
#include <type_traits>
#include <utility>

#include "base/EnumErrorCategory.h"

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

template <> struct ErrorCases<AesGcmError> {
    static constexpr const char* name = "AES.GCM";
    static constexpr std::pair<AesGcmError, const char*> messages[] = {
        {AesGcmError::incorrectKeySize, "incorrectKeySize"},
        {AesGcmError::incorrectParameterSize, "incorrectParameterSize"},
        {AesGcmError::authenticationFailure, "authenticationFailure"},
        {AesGcmError::randomSourceFailure, "randomSourceFailure"},
        {AesGcmError::underlyingCryptoFailure, "underlyingCryptoFailure"},
    };
};

}  // namespace qm

template <> struct std::is_error_code_enum<qm::AesGcmError> : std::true_type {
};
