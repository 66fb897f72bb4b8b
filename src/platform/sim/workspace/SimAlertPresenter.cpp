#include "platform/sim/workspace/SimAlertPresenter.h"

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

void SimAlertPresenter::answerNext(Alert::ModalResponse response)
{
    std::lock_guard lock(mutex_);
    answers_.emplace_back(response);
}

void SimAlertPresenter::answerNextWithButton(std::string title)
{
    std::lock_guard lock(mutex_);
    answers_.emplace_back(std::move(title));
}

Alert::ModalResponse SimAlertPresenter::runModal(const Alert& alert)
{
    if (mainLoop_ && !mainLoop_->isMainThread()) {
        throw std::logic_error("SimAlertPresenter: alert shown off the main thread: " + describe(alert));
    }
    std::lock_guard lock(mutex_);
    shown_.push_back(alert);
    if (answers_.empty()) {
        throw std::logic_error("SimAlertPresenter: alert shown with no scripted answer: " + describe(alert));
    }
    const auto answer = answers_.front();
    answers_.pop_front();
    if (const auto* title = std::get_if<std::string>(&answer)) {
        const auto found = std::find(alert.buttons.begin(), alert.buttons.end(), *title);
        if (found == alert.buttons.end()) {
            throw std::logic_error("SimAlertPresenter: the script presses \"" + *title +
                                   "\", which this alert does not have: " + describe(alert));
        }
        return Alert::buttonReturn(static_cast<std::size_t>(found - alert.buttons.begin()));
    }
    const auto response = std::get<Alert::ModalResponse>(answer);
    if (response < Alert::alertFirstButtonReturn || response >= Alert::buttonReturn(alert.buttons.size())) {
        throw std::logic_error("SimAlertPresenter: the script answers " + std::to_string(response) +
                               ", which this alert cannot give: " + describe(alert));
    }
    return response;
}

std::vector<Alert> SimAlertPresenter::shownAlerts() const
{
    std::lock_guard lock(mutex_);
    return shown_;
}

std::size_t SimAlertPresenter::unusedAnswers() const
{
    std::lock_guard lock(mutex_);
    return answers_.size();
}

}  // namespace qm
