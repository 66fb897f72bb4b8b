#include "platform/sim/accessibility/SimAXObserver.h"

#include <algorithm>
#include <array>

#include "platform/accessibility/AXNotification.h"
#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {
namespace {

bool isSupported(std::string_view notification)
{
    static constexpr std::array supported{AXNotification::focusedUIElementChanged,
                                          AXNotification::selectedTextChanged, AXNotification::valueChanged};
    return std::find(supported.begin(), supported.end(), notification) != supported.end();
}

}  // namespace

std::shared_ptr<SimAXObserver> SimAXObserver::create(std::shared_ptr<SimDesktopState> state, std::int32_t pid,
                                                     Callback callback)
{
    std::shared_ptr<SimAXObserver> observer(new SimAXObserver(std::move(state), pid, std::move(callback)));
    const auto lock = observer->state_->lock();
    observer->id_ = observer->state_->addObserver(observer, pid);
    return observer;
}

SimAXObserver::SimAXObserver(std::shared_ptr<SimDesktopState> state, std::int32_t pid, Callback callback)
    : state_(std::move(state)), pid_(pid), callback_(std::move(callback))
{
}

SimAXObserver::~SimAXObserver()
{
    const auto lock = state_->lock();
    state_->removeObserver(id_);
}

AXError SimAXObserver::checkElement(const AXUIElement& element) const
{
    if (element.isNull() || element.pid() != pid_ || element.token() == SimDesktopState::systemWideToken) {
        return AXError::illegalArgument;
    }
    if (!state_->isAlive() || !state_->application(pid_)) {
        return AXError::invalidUIElement;
    }
    if (!state_->isTrusted()) {
        return AXError::apiDisabled;
    }
    if (element.token() != SimDesktopState::applicationToken(pid_) && !state_->node(element.token())) {
        return AXError::invalidUIElement;
    }
    return AXError::success;
}

AXError SimAXObserver::addNotification(const AXUIElement& element, std::string_view notification)
{
    const auto lock = state_->lock();
    if (const AXError error = checkElement(element); error != AXError::success) {
        return error;
    }
    if (!isSupported(notification)) {
        return AXError::notificationUnsupported;
    }
    return state_->addRegistration(id_, pid_, element.token(), notification);
}

AXError SimAXObserver::removeNotification(const AXUIElement& element, std::string_view notification)
{
    const auto lock = state_->lock();
    if (element.isNull() || element.pid() != pid_) {
        return AXError::illegalArgument;
    }
    return state_->removeRegistration(id_, element.token(), notification);
}

void SimAXObserver::addToMainLoop()
{
    const auto lock = state_->lock();
    state_->setObserverOnMainLoop(id_, true);
}

void SimAXObserver::removeFromMainLoop()
{
    const auto lock = state_->lock();
    state_->setObserverOnMainLoop(id_, false);
}

void SimAXObserver::deliver(const AXUIElement& element, std::string_view notification) const
{
    if (callback_) {
        callback_(element, notification);
    }
}

}  // namespace qm
