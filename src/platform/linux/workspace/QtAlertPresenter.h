#pragma once

#include "platform/workspace/AlertPresenter.h"

namespace qm {

class MainLoop;

// Alerts as Qt message boxes: the message and the explanation as plain text
// (never rich text: they may quote what the user typed or a server answered),
// the buttons in the order added with the first as the default one, an icon
// after the style. Esc answers with the last button, as closing the box does.
// Main thread only: anywhere else runModal throws std::logic_error.
class QtAlertPresenter final : public AlertPresenter {
public:
    // `mainLoop` is Qt's and outlives the presenter.
    explicit QtAlertPresenter(const MainLoop& mainLoop) : mainLoop_(mainLoop) {}

    Alert::ModalResponse runModal(const Alert& alert) override;

    // The object name of the message box while it is shown (for tests and
    // accessibility tools).
    static constexpr const char* objectName = "QuillmarkerAlert";

private:
    const MainLoop& mainLoop_;
};

}  // namespace qm
