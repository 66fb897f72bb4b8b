#pragma once

#include <system_error>
#include <type_traits>
#include <utility>

#include "base/EnumErrorCategory.h"

namespace qm {

// Failures of the team export and import of their own (domain
// "TeamSyncError"); cipher failures reach callers as AesGcmError.
enum class TeamSyncError {
    serializationFailed = 1,
    keyDerivationFailed = 2,
    parseFailed = 3,
    teamMismatch = 4,
    randomSaltFailed = 5,
};

template <> struct ErrorCases<TeamSyncError> {
    static constexpr const char* name = "TeamSyncError";
    static constexpr std::pair<TeamSyncError, const char*> messages[] = {
        {TeamSyncError::serializationFailed, "Failed to serialize team graph payload"},
        {TeamSyncError::keyDerivationFailed, "Failed to derive symmetric encryption key"},
        {TeamSyncError::parseFailed, "Failed to parse decrypted payload"},
        {TeamSyncError::teamMismatch, "Cryptographical namespace mismatch. Team ID mismatch."},
        {TeamSyncError::randomSaltFailed, "Failed to generate random salt"},
    };
};

}  // namespace qm

template <> struct std::is_error_code_enum<qm::TeamSyncError> : std::true_type {
};
