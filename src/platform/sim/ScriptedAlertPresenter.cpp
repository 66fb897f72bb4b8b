#include "platform/sim/ScriptedAlertPresenter.h"

#include <algorithm>
#include <stdexcept>

namespace qm {

namespace {

std::string describe(const Alert& alert)
{
    std::string text = "\"" + alert.messageText + "\" (buttons:";
    for (const auto& button : alert.buttons) {
        text += " \"" + button + "\"";
    }
    return text + ")";
}

}  // namespace

void ScriptedAlertPresenter::answerNext(Alert::ModalResponse response)
{
    std::lock_guard lock(mutex_);
    answers_.emplace_back(response);
}

void ScriptedAlertPresenter::answerNextWithButton(std::string title)
{
    std::lock_guard lock(mutex_);
    answers_.emplace_back(std::move(title));
}

Alert::ModalResponse ScriptedAlertPresenter::runModal(const Alert& alert)
{
    if (mainLoop_ && !mainLoop_->isMainThread()) {
        throw std::logic_error("ScriptedAlertPresenter: alert shown off the main thread: " + describe(alert));
    }
    std::lock_guard lock(mutex_);
    shown_.push_back(alert);
    if (answers_.empty()) {
        throw std::logic_error("ScriptedAlertPresenter: alert shown with no scripted answer: " +
                               describe(alert));
    }
    const auto answer = answers_.front();
    answers_.pop_front();
    if (const auto* title = std::get_if<std::string>(&answer)) {
        const auto found = std::find(alert.buttons.begin(), alert.buttons.end(), *title);
        if (found == alert.buttons.end()) {
            throw std::logic_error("ScriptedAlertPresenter: the script presses \"" + *title +
                                   "\", which this alert does not have: " + describe(alert));
        }
        return Alert::buttonReturn(static_cast<std::size_t>(found - alert.buttons.begin()));
    }
    const auto response = std::get<Alert::ModalResponse>(answer);
    if (response < Alert::alertFirstButtonReturn || response >= Alert::buttonReturn(alert.buttons.size())) {
        throw std::logic_error("ScriptedAlertPresenter: the script answers " + std::to_string(response) +
                               ", which this alert cannot give: " + describe(alert));
    }
    return response;
}

std::vector<Alert> ScriptedAlertPresenter::shownAlerts() const
{
    std::lock_guard lock(mutex_);
    return shown_;
}

std::size_t ScriptedAlertPresenter::unusedAnswers() const
{
    std::lock_guard lock(mutex_);
    return answers_.size();
}

}  // namespace qm
