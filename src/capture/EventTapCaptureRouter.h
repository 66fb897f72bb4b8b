#pragma once

#include <functional>

#include "platform/KeyEvent.h"

namespace qm {

class CaptureRouterController;

// What the event tap uses of the capture router, one call per member, so that
// a test can stand in for single answers of the real router.
struct EventTapCaptureRouter {
    // Any thread; never blocks.
    std::function<bool()> isCaptureModeActiveThreadSafe;
    std::function<bool()> isCaptureTransitionThreadSafe;
    // True when the key completed an accepted trigger (the tap swallows it).
    std::function<bool(const KeyEvent&)> handleKeyEvent;
    std::function<void()> clearPassiveBuffer;
    // Main thread.
    std::function<void()> cancelCapture;

    // The calls of `router`, which must outlive every copy of the result.
    static EventTapCaptureRouter of(CaptureRouterController& router);
};

}  // namespace qm
