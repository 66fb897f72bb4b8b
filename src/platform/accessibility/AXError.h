#pragma once

#include <cstdint>

namespace qm {

// Results of Accessibility calls, in the platform's numbering, so that logged
// codes read the same as the platform's own ("Result: -25205").
enum class AXError : std::int32_t {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    invalidUIElementObserver = -25203,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    actionUnsupported = -25206,
    notificationUnsupported = -25207,
    notImplemented = -25208,
    notificationAlreadyRegistered = -25209,
    notificationNotRegistered = -25210,
    apiDisabled = -25211,
    noValue = -25212,
    parameterizedAttributeUnsupported = -25213,
    notEnoughPrecision = -25214,
};

inline constexpr std::int32_t axErrorCode(AXError error)
{
    return static_cast<std::int32_t>(error);
}

}  // namespace qm
