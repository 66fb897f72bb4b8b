#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "platform/runtime/MainLoop.h"
#include "platform/workspace/AlertPresenter.h"

namespace qm {

// Answers alerts from a script that the test writes beforehand, and keeps
// every alert shown. An alert with no scripted answer, or an answer the alert
// cannot give (a button it does not have), throws std::logic_error from
// runModal: a test fails at once and names the alert instead of hanging.
class SimAlertPresenter final : public AlertPresenter {
public:
    SimAlertPresenter() = default;
    // With a main loop, an alert shown off its main thread also throws.
    explicit SimAlertPresenter(const MainLoop& mainLoop) : mainLoop_(&mainLoop) {}

    // The user presses the button with this response (alertFirstButtonReturn ...).
    void answerNext(Alert::ModalResponse response);
    // The user presses the button with this title.
    void answerNextWithButton(std::string title);

    Alert::ModalResponse runModal(const Alert& alert) override;

    std::vector<Alert> shownAlerts() const;
    // Scripted answers no alert has used yet.
    std::size_t unusedAnswers() const;

private:
    const MainLoop* mainLoop_ = nullptr;
    mutable std::mutex mutex_;
    std::deque<std::variant<Alert::ModalResponse, std::string>> answers_;
    std::vector<Alert> shown_;
};

}  // namespace qm
