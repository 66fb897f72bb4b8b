#include "platform/sim/workspace/SimWorkspace.h"

#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {

SimWorkspace::SimWorkspace(std::shared_ptr<SimDesktopState> state, std::int32_t ownPid)
    : state_(std::move(state)), ownPid_(ownPid)
{
}

NotificationCenter& SimWorkspace::notificationCenter()
{
    return state_->workspaceCenter();
}

std::vector<RunningApplication> SimWorkspace::runningApplications() const
{
    const auto lock = state_->lock();
    return state_->runningApplications();
}

std::optional<RunningApplication> SimWorkspace::frontmostApplication() const
{
    const auto lock = state_->lock();
    if (const SimAppRecord* app = state_->application(state_->frontmostPid())) {
        return app->runningApplication();
    }
    return std::nullopt;
}

std::optional<std::int32_t> SimWorkspace::frontmostProcessIdentifier() const
{
    // Without the desktop's lock: the pid is written under it and read as one word.
    const std::int32_t pid = state_->frontmostPid();
    return pid != 0 ? std::optional(pid) : std::nullopt;
}

RunningApplication SimWorkspace::currentApplication() const
{
    const auto lock = state_->lock();
    if (const SimAppRecord* app = state_->application(ownPid_)) {
        return app->runningApplication();
    }
    return {ownPid_, std::nullopt, std::nullopt};
}

bool SimWorkspace::activate(std::int32_t processIdentifier)
{
    const auto lock = state_->lock();
    return state_->activate(processIdentifier);
}

bool SimWorkspace::openURL(std::string_view url)
{
    std::function<void(std::string_view)> handler;
    bool succeeds = false;
    {
        std::lock_guard lock(mutex_);
        openedURLs_.emplace_back(url);
        handler = urlHandler_;
        succeeds = openSucceeds_;
    }
    if (handler) {
        handler(url);
    }
    return succeeds;
}

void SimWorkspace::setURLHandler(std::function<void(std::string_view url)> handler)
{
    std::lock_guard lock(mutex_);
    urlHandler_ = std::move(handler);
}

bool SimWorkspace::openFile(std::string_view path)
{
    std::lock_guard lock(mutex_);
    openedFiles_.emplace_back(path);
    return openSucceeds_;
}

void SimWorkspace::activateFileViewerSelecting(const std::vector<std::string>& paths)
{
    std::lock_guard lock(mutex_);
    revealed_.push_back(paths);
}

std::vector<std::string> SimWorkspace::openedURLs() const
{
    std::lock_guard lock(mutex_);
    return openedURLs_;
}

std::vector<std::string> SimWorkspace::openedFiles() const
{
    std::lock_guard lock(mutex_);
    return openedFiles_;
}

std::vector<std::vector<std::string>> SimWorkspace::revealedSelections() const
{
    std::lock_guard lock(mutex_);
    return revealed_;
}

void SimWorkspace::setOpenSucceeds(bool succeeds)
{
    std::lock_guard lock(mutex_);
    openSucceeds_ = succeeds;
}

}  // namespace qm
