#include "capture/EventTapCaptureRouter.h"

#include "capture/CaptureRouterController.h"

namespace qm {

EventTapCaptureRouter EventTapCaptureRouter::of(CaptureRouterController& router)
{
    return {
        .isCaptureModeActiveThreadSafe = [&router] { return router.isCaptureModeActiveThreadSafe(); },
        .isCaptureTransitionThreadSafe = [&router] { return router.isCaptureTransitionThreadSafe(); },
        .handleKeyEvent = [&router](const KeyEvent& event) { return router.handleKeyEvent(event); },
        .clearPassiveBuffer = [&router] { router.clearPassiveBuffer(); },
        .cancelCapture = [&router] { router.cancelCapture(); },
    };
}

}  // namespace qm
