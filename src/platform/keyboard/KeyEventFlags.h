#pragma once

#include <cstdint>

namespace qm {

// Modifier and device flags of a keyboard event.
using EventFlags = std::uint64_t;

// The platform's flag masks.
namespace KeyEventFlags {

inline constexpr EventFlags alphaShift = 0x10000;  // Caps Lock
inline constexpr EventFlags shift = 0x20000;
inline constexpr EventFlags control = 0x40000;
inline constexpr EventFlags alternate = 0x80000;  // Option
inline constexpr EventFlags command = 0x100000;
inline constexpr EventFlags numericPad = 0x200000;  // also set for the arrow keys
inline constexpr EventFlags help = 0x400000;
inline constexpr EventFlags secondaryFn = 0x800000;  // the Fn key; also set for the arrow keys
inline constexpr EventFlags nonCoalesced = 0x100;

// The four modifiers that key combinations are made of.
inline constexpr EventFlags modifiers = shift | control | alternate | command;

}  // namespace KeyEventFlags

}  // namespace qm
