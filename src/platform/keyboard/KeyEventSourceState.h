#pragma once

#include <cstdint>

namespace qm {

// The event-source state a synthetic event is created from, numbered as the
// platform numbers them. Hardware events come from the HID system state.
enum class KeyEventSourceState : std::int32_t {
    privateState = -1,
    combinedSessionState = 0,
    hidSystemState = 1,
};

}  // namespace qm
