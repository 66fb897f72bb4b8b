#include "shell/CaptureFailureRequest.h"

namespace qm {

CaptureFailureRequest CaptureFailureRequest::from(const UserInfo& userInfo)
{
    CaptureFailureRequest request;
    request.command = userInfo.get<std::string>("command").value_or(defaultCommand);
    request.detail = userInfo.get<std::string>("detail").value_or(defaultDetail);
    request.saved = userInfo.get<bool>("saved").value_or(false);
    request.informational = userInfo.get<bool>("informational").value_or(false);
    request.section = userInfo.get<std::string>("section").value_or(defaultSection);
    request.field = userInfo.get<std::string>("field");
    request.actionTitle = userInfo.get<std::string>("actionTitle").value_or(defaultActionTitle);
    return request;
}

Alert CaptureFailureRequest::alert() const
{
    Alert alert;
    alert.alertStyle = Alert::Style::warning;
    alert.messageText = informational ? "Quillmarker paused" : "//" + command + " didn't save";
    alert.informativeText = detail;
    if (saved) {
        alert.informativeText += "\n\nThe text is in the local recovery log.";
    }
    if (informational) {
        alert.addButton("OK");
    } else {
        alert.addButton(actionTitle);
        alert.addButton("Not now");
    }
    return alert;
}

}  // namespace qm
