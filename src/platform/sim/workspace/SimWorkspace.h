#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/workspace/Workspace.h"

namespace qm {

class SimDesktopState;

// The workspace of the stand-in desktop. Opening links and files opens
// nothing: each request is recorded, in order, for tests to read, and answers
// what the test scripted (success by default). A link handler, where one is
// set, also sees each link opened (the program's stand-in of System Settings).
class SimWorkspace final : public Workspace {
public:
    SimWorkspace(std::shared_ptr<SimDesktopState> state, std::int32_t ownPid);

    NotificationCenter& notificationCenter() override;
    std::vector<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    std::optional<std::int32_t> frontmostProcessIdentifier() const override;
    RunningApplication currentApplication() const override;
    bool activate(std::int32_t processIdentifier) override;
    bool openURL(std::string_view url) override;
    bool openFile(std::string_view path) override;
    void activateFileViewerSelecting(const std::vector<std::string>& paths) override;

    std::vector<std::string> openedURLs() const;
    std::vector<std::string> openedFiles() const;
    std::vector<std::vector<std::string>> revealedSelections() const;
    void setOpenSucceeds(bool succeeds);
    // Called with each link opened, on the opening thread, after it was
    // recorded; empty: none.
    void setURLHandler(std::function<void(std::string_view url)> handler);

private:
    std::shared_ptr<SimDesktopState> state_;
    std::int32_t ownPid_;
    mutable std::mutex mutex_;
    std::vector<std::string> openedURLs_;
    std::vector<std::string> openedFiles_;
    std::vector<std::vector<std::string>> revealed_;
    bool openSucceeds_ = true;
    std::function<void(std::string_view)> urlHandler_;
};

}  // namespace qm
