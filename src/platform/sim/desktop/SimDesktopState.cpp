#include "platform/sim/desktop/SimDesktopState.h"

#include <algorithm>

#include "platform/accessibility/AXElementBackend.h"
#include "platform/accessibility/AXNotification.h"
#include "platform/accessibility/AXRole.h"
#include "platform/sim/accessibility/SimAXObserver.h"
#include "platform/workspace/Workspace.h"

namespace qm {

std::uint64_t SimDesktopState::applicationToken(std::int32_t pid)
{
    return (std::uint64_t{1} << 63) | static_cast<std::uint32_t>(pid);
}

bool SimDesktopState::isApplicationToken(std::uint64_t token)
{
    return (token >> 63) != 0;
}

SimDesktopState::SimDesktopState(MainLoop& mainLoop) : mainLoop_(mainLoop) {}

AXUIElement SimDesktopState::element(std::int32_t pid, std::uint64_t token) const
{
    return AXUIElement(backend_.lock(), pid, token);
}

void SimDesktopState::shutdown()
{
    alive_ = false;
    registrations_.clear();
    observers_.clear();
}

bool SimDesktopState::checkTrust(bool prompt)
{
    const bool trusted = trusted_;
    if (prompt && !trusted) {
        ++promptCount_;
        if (promptAnswer_.value_or(false)) {
            trusted_ = true;  // seen by the next check, as a grant in the prompt is
        }
    }
    return trusted;
}

std::int32_t SimDesktopState::addApplication(std::optional<std::string> bundleId,
                                             std::optional<std::string> name)
{
    const std::int32_t pid = nextPid_++;
    SimAppRecord& app = apps_[pid];
    app.pid = pid;
    app.bundleId = std::move(bundleId);
    app.name = std::move(name);
    return pid;
}

SimAppRecord* SimDesktopState::application(std::int32_t pid)
{
    const auto found = apps_.find(pid);
    return found != apps_.end() && found->second.running ? &found->second : nullptr;
}

std::vector<RunningApplication> SimDesktopState::runningApplications() const
{
    std::vector<RunningApplication> result;
    for (const auto& [pid, app] : apps_) {
        if (app.running) {
            result.push_back(app.runningApplication());
        }
    }
    return result;
}

bool SimDesktopState::activate(std::int32_t pid)
{
    const SimAppRecord* app = application(pid);
    if (!app || !alive_) {
        return false;
    }
    if (frontmost_ == pid) {
        return true;
    }
    frontmost_.store(pid, std::memory_order_relaxed);
    refreshSecureInput();
    mainLoop_.post([weak = weak_from_this(), running = app->runningApplication()] {
        if (auto state = weak.lock()) {
            UserInfo userInfo;
            userInfo.set(std::string(Workspace::applicationUserInfoKey), UserInfo::Value::opaque(running));
            state->workspaceCenter_.post(std::string(Workspace::didActivateApplicationNotification), nullptr,
                                         std::move(userInfo));
        }
    });
    return true;
}

void SimDesktopState::terminate(std::int32_t pid)
{
    SimAppRecord* app = application(pid);
    if (!app) {
        return;
    }
    app->running = false;
    for (auto& [id, node] : nodes_) {
        if (node.pid == pid) {
            node.alive = false;
        }
    }
    if (frontmost_ == pid) {
        frontmost_.store(0, std::memory_order_relaxed);
    }
    refreshSecureInput();
    std::erase_if(registrations_, [pid](const Registration& r) { return r.pid == pid; });
}

SimNode* SimDesktopState::node(std::uint64_t id)
{
    const auto found = nodes_.find(id);
    if (found == nodes_.end() || !found->second.alive || !application(found->second.pid)) {
        return nullptr;
    }
    return &found->second;
}

std::uint64_t SimDesktopState::addNode(std::int32_t pid, std::uint64_t parent, SimNode node)
{
    SimAppRecord* app = application(pid);
    SimNode* parentNode = parent != 0 ? this->node(parent) : nullptr;
    if (!app || (parent != 0 && (!parentNode || parentNode->pid != pid))) {
        return 0;
    }
    const std::uint64_t id = nextNodeId_++;
    node.id = id;
    node.pid = pid;
    node.parent = parent;
    node.alive = true;
    if (parentNode) {
        parentNode->children.push_back(id);
    } else {
        app->topLevel.push_back(id);
        if (app->focusedWindow == 0 && node.role == AXRole::window) {
            app->focusedWindow = id;
        }
    }
    nodes_.emplace(id, std::move(node));
    return id;
}

void SimDesktopState::collectSubtree(std::uint64_t id, std::vector<std::uint64_t>& ids)
{
    ids.push_back(id);
    if (const SimNode* n = node(id)) {
        for (const std::uint64_t child : n->children) {
            collectSubtree(child, ids);
        }
    }
}

void SimDesktopState::removeNode(std::uint64_t id)
{
    SimNode* target = node(id);
    if (!target) {
        return;
    }
    SimAppRecord* app = application(target->pid);
    if (SimNode* parent = node(target->parent)) {
        std::erase(parent->children, id);
    } else {
        std::erase(app->topLevel, id);
    }
    std::vector<std::uint64_t> removed;
    collectSubtree(id, removed);
    for (const std::uint64_t each : removed) {
        nodes_[each].alive = false;
    }
    const auto wasRemoved = [&](std::uint64_t each) {
        return std::find(removed.begin(), removed.end(), each) != removed.end();
    };
    if (wasRemoved(app->focusedElement)) {
        app->focusedElement = 0;
        refreshSecureInput();
    }
    if (wasRemoved(app->openMenu)) {
        app->openMenu = 0;
    }
    if (wasRemoved(app->focusedWindow)) {
        app->focusedWindow = 0;
        for (const std::uint64_t top : app->topLevel) {
            if (node(top) && node(top)->role == AXRole::window) {
                app->focusedWindow = top;
                break;
            }
        }
    }
}

std::uint64_t SimDesktopState::windowOf(std::uint64_t id)
{
    for (SimNode* n = node(id); n; n = node(n->parent)) {
        if (n->parent == 0) {
            return n->role == AXRole::window ? n->id : 0;
        }
    }
    return 0;
}

void SimDesktopState::focus(std::uint64_t id)
{
    SimNode* target = node(id);
    if (!target) {
        return;
    }
    SimAppRecord* app = application(target->pid);
    if (app->focusedElement == id) {
        return;
    }
    app->focusedElement = id;
    refreshSecureInput();
    if (const std::uint64_t window = windowOf(id)) {
        app->focusedWindow = window;
    }
    notify(target->pid, id, AXNotification::focusedUIElementChanged);
}

std::uint64_t SimDesktopState::openMenu(std::int32_t pid, const std::vector<std::string>& items,
                                        const Rect& frame)
{
    SimAppRecord* app = application(pid);
    if (!app) {
        return 0;
    }
    closeMenu(pid);
    SimNode menu;
    menu.role = AXRole::menu;
    menu.roleDescription = "menu";
    menu.frame = frame;
    const std::uint64_t id = addNode(pid, 0, std::move(menu));
    double y = frame.y();
    for (const std::string& item : items) {
        SimNode entry;
        entry.role = AXRole::menuItem;
        entry.roleDescription = "menu item";
        entry.title = item;
        entry.frame = {frame.x(), y, frame.width(), 22};
        y += 22;
        addNode(pid, id, std::move(entry));
    }
    app->focusBeforeMenu = app->focusedElement;
    app->openMenu = id;
    focus(id);
    return id;
}

void SimDesktopState::closeMenu(std::int32_t pid)
{
    SimAppRecord* app = application(pid);
    if (!app || app->openMenu == 0) {
        return;
    }
    const std::uint64_t previous = app->focusBeforeMenu;
    removeNode(app->openMenu);
    app->openMenu = 0;
    app->focusBeforeMenu = 0;
    if (node(previous)) {
        focus(previous);
    }
}

void SimDesktopState::setSelection(SimNode& field, AXTextRange range)
{
    if (field.selection == range) {
        return;
    }
    field.selection = range;
    notify(field.pid, field.id, AXNotification::selectedTextChanged);
}

void SimDesktopState::replaceText(SimNode& field, std::size_t start, std::size_t end,
                                  std::u16string_view text)
{
    start = std::min(start, field.text.size());
    end = std::clamp(end, start, field.text.size());
    field.text.replace(start, end - start, text);
    notify(field.pid, field.id, AXNotification::valueChanged);
    setSelection(field, {static_cast<std::int64_t>(start + text.size()), 0});
}

void SimDesktopState::setText(SimNode& field, std::u16string text)
{
    field.text = std::move(text);
    notify(field.pid, field.id, AXNotification::valueChanged);
    setSelection(field, {static_cast<std::int64_t>(field.text.size()), 0});
}

void SimDesktopState::setTextWatcher(std::uint64_t id, std::function<void()> handler)
{
    if (handler) {
        textWatchers_[id] = TextWatcher{std::move(handler), std::make_shared<std::atomic<bool>>(false)};
    } else {
        textWatchers_.erase(id);
    }
}

void SimDesktopState::notify(std::int32_t pid, std::uint64_t token, std::string_view notification)
{
    if (!alive_) {
        return;
    }
    if (notification == AXNotification::valueChanged || notification == AXNotification::selectedTextChanged) {
        const auto watcher = textWatchers_.find(token);
        if (watcher != textWatchers_.end() && !watcher->second.scheduled->exchange(true)) {
            mainLoop_.post([handler = watcher->second.handler, scheduled = watcher->second.scheduled] {
                scheduled->store(false);
                handler();
            });
        }
    }
    for (const Registration& registration : registrations_) {
        if (registration.pid != pid || registration.notification != notification ||
            (registration.token != token && registration.token != applicationToken(pid))) {
            continue;
        }
        mainLoop_.post([weak = weak_from_this(), id = registration.id, pid, token,
                        name = std::string(notification)] { deliver(weak, id, pid, token, name); });
    }
}

void SimDesktopState::deliver(const std::weak_ptr<SimDesktopState>& weakState, std::uint64_t registrationId,
                              std::int32_t pid, std::uint64_t token, const std::string& notification)
{
    const auto state = weakState.lock();
    if (!state) {
        return;
    }
    std::shared_ptr<SimAXObserver> observer;
    {
        const auto lock = state->lock();
        const auto registration =
            std::find_if(state->registrations_.begin(), state->registrations_.end(),
                         [registrationId](const Registration& r) { return r.id == registrationId; });
        if (!state->alive_ || registration == state->registrations_.end()) {
            return;
        }
        const auto record = state->observers_.find(registration->observerId);
        if (record == state->observers_.end() || !record->second.onMainLoop) {
            return;
        }
        observer = record->second.observer.lock();
    }
    if (observer) {
        observer->deliver(state->element(pid, token), notification);
    }
}

bool SimDesktopState::isSecureInputOn()
{
    if (secureInputRequested_) {
        return true;
    }
    const SimAppRecord* app = application(frontmostPid());
    const SimNode* focused = app ? node(app->focusedElement) : nullptr;
    return focused && focused->isSecure();
}

void SimDesktopState::refreshSecureInput()
{
    secureInputOn_.store(isSecureInputOn(), std::memory_order_release);
}

double SimDesktopState::messagingTimeout(std::uint64_t token) const
{
    const auto found = timeouts_.find(token);
    return found != timeouts_.end() ? found->second : defaultTimeout_;
}

void SimDesktopState::setMessagingTimeout(std::uint64_t token, double seconds)
{
    if (token == systemWideToken) {
        defaultTimeout_ = seconds > 0 ? seconds : defaultMessagingTimeout;
    } else if (seconds > 0) {
        timeouts_[token] = seconds;
    } else {
        timeouts_.erase(token);
    }
}

std::uint64_t SimDesktopState::addObserver(const std::shared_ptr<SimAXObserver>& observer, std::int32_t pid)
{
    const std::uint64_t id = nextObserverId_++;
    observers_[id] = ObserverRecord{observer, pid, false};
    return id;
}

void SimDesktopState::removeObserver(std::uint64_t observerId)
{
    observers_.erase(observerId);
    std::erase_if(registrations_, [observerId](const Registration& r) { return r.observerId == observerId; });
}

void SimDesktopState::setObserverOnMainLoop(std::uint64_t observerId, bool onMainLoop)
{
    const auto found = observers_.find(observerId);
    if (found != observers_.end()) {
        found->second.onMainLoop = onMainLoop;
    }
}

AXError SimDesktopState::addRegistration(std::uint64_t observerId, std::int32_t pid, std::uint64_t token,
                                         std::string_view notification)
{
    for (const Registration& r : registrations_) {
        if (r.observerId == observerId && r.token == token && r.notification == notification) {
            return AXError::notificationAlreadyRegistered;
        }
    }
    registrations_.push_back({nextRegistrationId_++, observerId, pid, token, std::string(notification)});
    return AXError::success;
}

AXError SimDesktopState::removeRegistration(std::uint64_t observerId, std::uint64_t token,
                                            std::string_view notification)
{
    const auto removed = std::erase_if(registrations_, [&](const Registration& r) {
        return r.observerId == observerId && r.token == token && r.notification == notification;
    });
    return removed > 0 ? AXError::success : AXError::notificationNotRegistered;
}

}  // namespace qm
