#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/PickerOption.h"

namespace qm {

// One consistent copy of the capture state that the overlay shows, taken on
// the main thread (CaptureRouterController::captureState()).
struct CaptureOverlayState {
    bool isCaptureModeActive = false;
    // The command word of the current target; empty outside capture mode.
    std::string commandName;
    bool targetNeedsPicker = false;
    std::string messageInput;
    std::vector<PickerOption> pickerOptions;
    std::optional<PickerOption> selectedOption;
    bool isTargetConfirmed = false;
    std::optional<PickerOption> confirmedTarget;
    std::optional<std::string> calcLivePreviewText;

    friend bool operator==(const CaptureOverlayState&, const CaptureOverlayState&) = default;
};

}  // namespace qm
