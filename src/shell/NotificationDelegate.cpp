#include "shell/NotificationDelegate.h"

#include "platform/runtime/MainLoop.h"
#include "shell/UpdateNotification.h"

namespace qm {

NotificationDelegate::NotificationDelegate(MainLoop& mainLoop, std::function<void()> restartToUpdate)
    : mainLoop_(mainLoop), restartToUpdate_(std::move(restartToUpdate))
{
}

void NotificationDelegate::willPresent(const UserNotification&,
                                       std::function<void(PresentationOptions)> completion)
{
    completion(presentationOptions);
}

void NotificationDelegate::didReceive(const UserNotificationResponse& response,
                                      std::function<void()> completion)
{
    const NotificationRequest& request = response.notification.request;
    const bool concernsUpdate = request.identifier == UpdateNotification::notificationId ||
                                request.content.categoryIdentifier == UpdateNotification::categoryId;
    const bool installs = response.actionIdentifier == UpdateNotification::restartActionId ||
                          response.actionIdentifier == UserNotificationResponse::defaultActionIdentifier;
    if (concernsUpdate && installs && restartToUpdate_) {
        mainLoop_.post(restartToUpdate_);
    }
    completion();
}

}  // namespace qm
