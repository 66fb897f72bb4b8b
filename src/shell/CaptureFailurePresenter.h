#pragma once

#include <functional>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"

namespace qm {

class ActivationPolicy;
class AlertPresenter;
class MainLoop;
class PermissionsManager;

// The alert after a capture that did not land (or a notice such as the
// keyboard listener pausing itself), asked for with "PresentCaptureFailure".
// Its main button leads to the settings page that fixes the cause: the
// system's notification settings first when the card is "notifications",
// then the settings window, and 0.2 s later "SelectSettingsSection" with the
// page and the card.
//
// The program comes in front as a regular application for the alert. When the
// answer opens the settings window, it stays regular until that window closes
// (WindowCloseHandler); any other answer, and every answer while there is no
// settings window to open, puts back the policy it had before the alert, so
// the status-bar agent does not keep a Dock icon.
//
// The alert is always shown later on the main loop, never inside the post.
class CaptureFailurePresenter {
public:
    static constexpr double selectSectionDelay = 0.2;

    struct Services {
        MainLoop& mainLoop;
        NotificationCenter& notificationCenter;
        AlertPresenter& alerts;
        ActivationPolicy& activationPolicy;
        PermissionsManager& permissions;
    };

    // Observes "PresentCaptureFailure" until destroyed. `openSettings` opens
    // the settings window; empty while the program has none. Everything in
    // `services` must outlive the presenter.
    CaptureFailurePresenter(Services services, std::function<void()> openSettings);
    ~CaptureFailurePresenter();
    CaptureFailurePresenter(const CaptureFailurePresenter&) = delete;
    CaptureFailurePresenter& operator=(const CaptureFailurePresenter&) = delete;

    // Shows the alert for a request's userInfo and acts on the answer. Main thread.
    void presentCaptureFailure(const UserInfo& userInfo);

private:
    Services services_;
    std::function<void()> openSettings_;
    NotificationCenter::ObserverToken observer_;
    AliveToken alive_;
};

}  // namespace qm
