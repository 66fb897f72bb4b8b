#pragma once

#include <system_error>
#include <type_traits>
#include <utility>

#include "base/EnumErrorCategory.h"

namespace qm {

// Failures of the whole-graph export and import of their own (domain
// "SyncError"). Failures of the cipher reach callers as AesGcmError instead,
// so the two are told apart by their category.
enum class SyncError {
    serializationFailed = 1,
    keyDerivationFailed = 2,
    parseFailed = 3,
    randomSaltFailed = 4,
};

template <> struct ErrorCases<SyncError> {
    static constexpr const char* name = "SyncError";
    static constexpr std::pair<SyncError, const char*> messages[] = {
        {SyncError::serializationFailed, "Failed to serialize graph payload"},
        {SyncError::keyDerivationFailed, "Failed to derive symmetric encryption key"},
        {SyncError::parseFailed, "Failed to parse decrypted payload"},
        {SyncError::randomSaltFailed, "Failed to generate random salt"},
    };
};

}  // namespace qm

template <> struct std::is_error_code_enum<qm::SyncError> : std::true_type {
};
