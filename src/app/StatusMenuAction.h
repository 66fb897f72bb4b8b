#pragma once

namespace qm {

// What choosing a row of the status menu does (StatusMenuController::perform).
enum class StatusMenuAction {
    openSettings,
    openScheduledSettings,
    openCaptureHistory,
    checkForUpdates,
    restartToUpdate,
    quitApp,
    revealLastCapture,
    // The row's represented object names the loop by its UUID.
    markOpenLoopDone,
    leaveOpenLoopParked,
};

}  // namespace qm
