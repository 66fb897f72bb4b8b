#pragma once

#include <cstdint>

namespace qm {

// Result codes of keychain operations, in the numbering the system's Security
// framework uses, so that statuses read the same as the platform's own.
using SecStatus = std::int32_t;

inline constexpr SecStatus errSecSuccess = 0;
inline constexpr SecStatus errSecIO = -36;
inline constexpr SecStatus errSecParam = -50;
inline constexpr SecStatus errSecAuthFailed = -25293;
inline constexpr SecStatus errSecDuplicateItem = -25299;
inline constexpr SecStatus errSecItemNotFound = -25300;
inline constexpr SecStatus errSecInteractionNotAllowed = -25308;

}  // namespace qm
