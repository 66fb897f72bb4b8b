#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/workspace/RunningApplication.h"
#include "records/HostCaptureContext.h"

namespace qm {

class Accessibility;
class Workspace;

// Takes the host context of a capture from the frontmost application. Holds no
// state of its own; every failure (no application, no name, no Accessibility
// permission, an attribute missing or of another type) degrades to the
// defaults of HostCaptureContext, silently. Called on the main thread; the
// Accessibility calls may block briefly on a slow application.
class HostFocus {
public:
    // The context the capture controller holds from the previous capture.
    using HeldContext = std::function<HostCaptureContext()>;

    // `heldContext` answers while this program itself is frontmost: a capture
    // started from one of its own windows keeps the previous host. Without one,
    // the default context stands in. Both references must outlive this object.
    HostFocus(Workspace& workspace, Accessibility& accessibility, HeldContext heldContext = {});
    HostFocus(const HostFocus&) = delete;
    HostFocus& operator=(const HostFocus&) = delete;

    // The context of the frontmost application now.
    HostCaptureContext snapshot() const;

    // The title of the application's focused window, unchanged (not trimmed);
    // "" when it cannot be read. This program's own windows are never read
    // through Accessibility.
    std::string windowTitle(const std::optional<RunningApplication>& application) const;

private:
    Workspace& workspace_;
    Accessibility& accessibility_;
    HeldContext heldContext_;
};

}  // namespace qm
