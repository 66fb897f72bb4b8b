#pragma once

namespace qm {

// The practice popup's submit lock: set once a line was routed, cleared when
// a popup opens or is cancelled, so a second Return that arrives before the
// window has redrawn routes nothing. Main thread only.
struct SandboxSubmitGate {
    bool isLocked = false;
};

}  // namespace qm
