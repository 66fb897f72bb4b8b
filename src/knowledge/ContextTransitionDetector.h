#pragma once

#include <functional>
#include <string>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/Timer.h"

namespace qm {

class Accessibility;
class Clock;
class MainLoop;
class Notification;
class Workspace;

// Notices context switches: another application in front (at once, with the
// application's display name as title), a new focused-window title (at the
// next 2 s poll), or the same context seen again after more than ten minutes
// without a transition (an idle resume). Logs each and hands it to the one
// subscriber.
//
// Main loop only: the activation notifications, the poll timer and the
// subscriber all run there.
class ContextTransitionDetector {
public:
    using Callback = std::function<void(const std::string& appBundleId, const std::string& windowTitle,
                                        bool isIdleResume)>;

    static constexpr double pollInterval = 2.0;
    static constexpr double idleThreshold = 600.0;

    // Starts listening and polling at once. The references must outlive the detector.
    ContextTransitionDetector(Workspace& workspace, Accessibility& accessibility, MainLoop& mainLoop,
                              const Clock& clock);
    ~ContextTransitionDetector();
    ContextTransitionDetector(const ContextTransitionDetector&) = delete;
    ContextTransitionDetector& operator=(const ContextTransitionDetector&) = delete;

    // Replaces any earlier subscriber.
    void setOnContextTransition(Callback callback) { onContextTransition_ = std::move(callback); }

    // Marks user activity, so the next transition is no idle resume.
    void recordActivity();

private:
    void applicationDidActivate(const Notification& notification);
    void checkWindowTitleShift();
    std::string focusedWindowTitle();
    void handleTransition(const std::string& appBundleId, const std::string& windowTitle);

    Workspace& workspace_;
    Accessibility& accessibility_;
    const Clock& clock_;
    Callback onContextTransition_;
    std::string lastActiveAppBundleId_;
    std::string lastActiveWindowTitle_;
    double lastActivityTime_;
    NotificationCenter::ObserverToken observer_;
    // Last: invalidated first on destruction.
    Timer timer_;
};

}  // namespace qm
