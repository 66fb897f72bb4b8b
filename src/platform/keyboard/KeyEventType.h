#pragma once

#include <cstdint>

namespace qm {

// Event types of the keyboard stream, numbered as the platform numbers them.
// The two tap-disabled types are not events of the stream: a tap's callback
// receives them when the system switched that tap off.
enum class KeyEventType : std::uint32_t {
    keyDown = 10,
    keyUp = 11,
    flagsChanged = 12,
    tapDisabledByTimeout = 0xFFFFFFFE,
    tapDisabledByUserInput = 0xFFFFFFFF,
};

// A set of event types a tap listens to: one bit per type, 1 << type.
using EventMask = std::uint64_t;

inline constexpr EventMask eventMaskBit(KeyEventType type)
{
    const auto bit = static_cast<std::uint32_t>(type);
    return bit < 64 ? (EventMask{1} << bit) : 0;
}

}  // namespace qm
