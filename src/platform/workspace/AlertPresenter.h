#pragma once

#include "platform/workspace/Alert.h"

namespace qm {

// Shows alerts: a real dialog in the app, scripted answers in tests.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    // Shows `alert` (which has at least one button) modally on the main thread
    // and returns the response of the button the user chose.
    virtual Alert::ModalResponse runModal(const Alert& alert) = 0;
};

}  // namespace qm
