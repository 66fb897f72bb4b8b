#pragma once

#include <system_error>
#include <type_traits>

namespace qm {

// Failures of the team export and import of their own (domain
// "TeamSyncError"); cipher failures reach callers as AesGcmError.
enum class TeamSyncError {
    serializationFailed = 1,  // "Failed to serialize team graph payload"
    keyDerivationFailed = 2,  // "Failed to derive symmetric encryption key"
    parseFailed = 3,          // "Failed to parse decrypted payload"
    teamMismatch = 4,         // "Cryptographical namespace mismatch. Team ID mismatch."
    randomSaltFailed = 5,     // "Failed to generate random salt"
};

const std::error_category& teamSyncErrorCategory();
std::error_code make_error_code(TeamSyncError error);

}  // namespace qm

template <> struct std::is_error_code_enum<qm::TeamSyncError> : std::true_type {
};
