#pragma once

#include "platform/workspace/Alert.h"

namespace qm {

// Shows alerts: a real dialog in the app, scripted answers in tests.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;

    // The presenter the composition root installed. Throws std::logic_error
    // when none was installed.
    static AlertPresenter& shared();
    // The composition root owns `presenter` and keeps it alive while anything
    // may show an alert; nullptr uninstalls it.
    static void setShared(AlertPresenter* presenter);

    // Shows `alert` (which has at least one button) modally on the main thread
    // and returns the response of the button the user chose.
    virtual Alert::ModalResponse runModal(const Alert& alert) = 0;
};

}  // namespace qm
