#include "shell/CaptureFailurePresenter.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "platform/runtime/MainLoop.h"
#include "platform/workspace/ActivationPolicy.h"
#include "platform/workspace/AlertPresenter.h"
#include "shell/CaptureFailureRequest.h"
#include "shell/PermissionsManager.h"
#include "shell/ShellNotifications.h"

namespace qm {

CaptureFailurePresenter::CaptureFailurePresenter(Services services, std::function<void()> openSettings)
    : services_(services), openSettings_(std::move(openSettings))
{
    observer_ = services_.notificationCenter.addObserver(
        ShellNotifications::presentCaptureFailure, nullptr, [this](const Notification& notification) {
            // A modal alert inside the poster's call would stall whoever posted.
            services_.mainLoop.post(
                alive_.guard([this, userInfo = notification.userInfo] { presentCaptureFailure(userInfo); }));
        });
}

CaptureFailurePresenter::~CaptureFailurePresenter()
{
    services_.notificationCenter.removeObserver(observer_);
}

void CaptureFailurePresenter::presentCaptureFailure(const UserInfo& userInfo)
{
    using Policy = ActivationPolicy::Policy;
    const CaptureFailureRequest request = CaptureFailureRequest::from(userInfo);
    const Alert alert = request.alert();
    Log::log(fmt::format("⚠️ CaptureFailurePresenter: {}", alert.messageText));

    ActivationPolicy& policy = services_.activationPolicy;
    const Policy before = policy.activationPolicy();
    policy.setActivationPolicy(Policy::regular);
    policy.activate(true);
    const Alert::ModalResponse response = alert.runModal(services_.alerts);
    const bool leadsToSettings = !request.informational && response == Alert::alertFirstButtonReturn;
    if (leadsToSettings) {
        if (request.field == CaptureFailureRequest::notificationsField) {
            services_.permissions.openNotificationSettings();
        }
        if (openSettings_) {
            openSettings_();
        }
        UserInfo selection{{"section", request.section}};
        if (request.field) {
            selection.set("field", *request.field);
        }
        services_.mainLoop.postAfter(selectSectionDelay, alive_.guard([this,
                                                                       selection = std::move(selection)] {
            services_.notificationCenter.post(ShellNotifications::selectSettingsSection, nullptr, selection);
        }));
    }
    if (!leadsToSettings || !openSettings_) {
        policy.setActivationPolicy(before);
    }
}

}  // namespace qm
