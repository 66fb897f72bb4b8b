#include "platform/sim/workspace/SimApplication.h"

#include <stdexcept>

#include "platform/accessibility/AXRole.h"
#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {

SimApplication::SimApplication(std::shared_ptr<SimDesktopState> state, std::int32_t pid)
    : state_(std::move(state)), pid_(pid)
{
}

RunningApplication SimApplication::runningApplication() const
{
    const auto lock = state_->lock();
    const SimAppRecord* app = state_->application(pid_);
    return app ? app->runningApplication() : RunningApplication{pid_, std::nullopt, std::nullopt};
}

AXUIElement SimApplication::axElement() const
{
    return state_->element(pid_, SimDesktopState::applicationToken(pid_));
}

bool SimApplication::activate() const
{
    const auto lock = state_->lock();
    return state_->activate(pid_);
}

bool SimApplication::isFrontmost() const
{
    const auto lock = state_->lock();
    return state_->frontmostPid() == pid_;
}

void SimApplication::terminate() const
{
    const auto lock = state_->lock();
    state_->terminate(pid_);
}

SimElement SimApplication::addWindow(std::string title, Rect frame) const
{
    SimNode window;
    window.role = AXRole::window;
    window.subrole = AXRole::standardWindow;
    window.roleDescription = "standard window";
    window.title = std::move(title);
    window.frame = frame;
    const auto lock = state_->lock();
    const std::uint64_t id = state_->addNode(pid_, 0, std::move(window));
    if (id == 0) {
        throw std::logic_error("SimApplication: the application is not running");
    }
    return SimElement(state_, pid_, id);
}

std::uint64_t SimApplication::focusedElementId() const
{
    const auto lock = state_->lock();
    const SimAppRecord* app = state_->application(pid_);
    return app && state_->node(app->focusedElement) ? app->focusedElement : 0;
}

SimElement SimApplication::openMenu(const std::vector<std::string>& items, Rect frame) const
{
    const auto lock = state_->lock();
    const std::uint64_t id = state_->openMenu(pid_, items, frame);
    if (id == 0) {
        throw std::logic_error("SimApplication: the application is not running");
    }
    return SimElement(state_, pid_, id);
}

void SimApplication::closeMenu() const
{
    const auto lock = state_->lock();
    state_->closeMenu(pid_);
}

void SimApplication::setTreeAvailability(SimTreeAvailability availability) const
{
    const auto lock = state_->lock();
    if (SimAppRecord* app = state_->application(pid_)) {
        app->tree = availability;
    }
}

void SimApplication::setAcceptsManualAccessibility(bool accepts) const
{
    const auto lock = state_->lock();
    if (SimAppRecord* app = state_->application(pid_)) {
        app->acceptsManualAccessibility = accepts;
    }
}

void SimApplication::setAcceptsEnhancedUserInterface(bool accepts) const
{
    const auto lock = state_->lock();
    if (SimAppRecord* app = state_->application(pid_)) {
        app->acceptsEnhancedUserInterface = accepts;
    }
}

bool SimApplication::manualAccessibility() const
{
    const auto lock = state_->lock();
    const SimAppRecord* app = state_->application(pid_);
    return app && app->manualAccessibility;
}

bool SimApplication::enhancedUserInterface() const
{
    const auto lock = state_->lock();
    const SimAppRecord* app = state_->application(pid_);
    return app && app->enhancedUserInterface;
}

void SimApplication::setResponseDelay(double seconds) const
{
    const auto lock = state_->lock();
    if (SimAppRecord* app = state_->application(pid_)) {
        app->responseDelay = seconds;
    }
}

void SimApplication::setKeyHandler(std::function<void(const KeyEvent&)> handler) const
{
    const auto lock = state_->lock();
    if (SimAppRecord* app = state_->application(pid_)) {
        app->keyHandler = std::move(handler);
    }
}

}  // namespace qm
