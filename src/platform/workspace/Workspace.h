#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/notifications/NotificationCenter.h"
#include "platform/workspace/RunningApplication.h"

namespace qm {

// The running applications, which one is in front, and opening documents and
// links with the applications that handle them.
class Workspace {
public:
    // Posted on notificationCenter(), on the main thread, after another
    // application became the frontmost one. userInfo[applicationUserInfoKey] is
    // the RunningApplication (an opaque UserInfo value: get<RunningApplication>).
    static constexpr std::string_view didActivateApplicationNotification =
        "NSWorkspaceDidActivateApplicationNotification";
    static constexpr std::string_view applicationUserInfoKey = "NSWorkspaceApplicationKey";

    virtual ~Workspace() = default;

    // The workspace's own notification centre (not the default one).
    virtual NotificationCenter& notificationCenter() = 0;

    virtual std::vector<RunningApplication> runningApplications() const = 0;

    // The application that receives the keyboard, if any. Any thread.
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;

    // The process identifier of frontmostApplication(), nothing when none is in
    // front. Any thread; cheap enough to ask for every key.
    virtual std::optional<std::int32_t> frontmostProcessIdentifier() const
    {
        const auto frontmost = frontmostApplication();
        return frontmost ? std::optional(frontmost->processIdentifier) : std::nullopt;
    }

    // This process as a running application.
    virtual RunningApplication currentApplication() const = 0;

    // Brings the application in front. False when it no longer runs. Activating
    // the frontmost application changes nothing and posts nothing.
    virtual bool activate(std::int32_t processIdentifier) = 0;

    // Opens a link ("https:", "x-apple.systempreferences:" ...) with the
    // application that handles it. False when nothing could open it.
    virtual bool openURL(std::string_view url) = 0;

    // Opens a file with its default application. False when that failed.
    virtual bool openFile(std::string_view path) = 0;

    // Shows the files selected in the file manager.
    virtual void activateFileViewerSelecting(const std::vector<std::string>& paths) = 0;
};

}  // namespace qm
