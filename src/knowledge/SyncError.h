#pragma once

#include <system_error>
#include <type_traits>

namespace qm {

// Failures of the whole-graph export and import of their own (domain
// "SyncError"). Failures of the cipher reach callers as AesGcmError instead,
// so the two are told apart by their category.
enum class SyncError {
    serializationFailed = 1,  // "Failed to serialize graph payload"
    keyDerivationFailed = 2,  // "Failed to derive symmetric encryption key"
    parseFailed = 3,          // "Failed to parse decrypted payload"
    randomSaltFailed = 4,     // "Failed to generate random salt"
};

const std::error_category& syncErrorCategory();
std::error_code make_error_code(SyncError error);

}  // namespace qm

template <> struct std::is_error_code_enum<qm::SyncError> : std::true_type {
};
