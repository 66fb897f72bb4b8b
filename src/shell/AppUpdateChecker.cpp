#include "shell/AppUpdateChecker.h"

#include <exception>

#include <fmt/format.h>

#include "base/Paths.h"
#include "platform/network/HttpClient.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/notifications/UserNotificationCenter.h"
#include "platform/runtime/BackgroundTask.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/UserDefaults.h"
#include "platform/workspace/Alert.h"
#include "shell/ShellNotifications.h"

namespace qm {

// What the manifest request brought back: a response, or the transport's error.
struct AppUpdateChecker::ManifestAnswer {
    std::optional<HttpResponse> response;
    std::optional<PlatformError> error;
};

AppUpdateChecker::AppUpdateChecker(Services services) : services_(std::move(services))
{
    if (!services_.downloadsFolder) {
        services_.downloadsFolder = paths::downloads;
    }
    if (!services_.temporaryDirectory) {
        services_.temporaryDirectory = [] {
            std::error_code ignored;
            return std::filesystem::temp_directory_path(ignored);
        };
    }
}

AppUpdateChecker::~AppUpdateChecker()
{
    checkToken_.cancel();
    downloadToken_.cancel();
}

void AppUpdateChecker::checkForUpdatesIfNeeded()
{
    const double last = services_.defaults.doubleForKey(std::string(lastCheckKey));
    const double now = services_.clock.now();
    // A time ahead of now means the clock was turned back; waiting for it
    // could put the check off for any length of time.
    if (last > 0 && last <= now && now - last < kCheckInterval) {
        return;
    }
    checkForUpdates(false, true);
}

void AppUpdateChecker::checkForUpdatesManually()
{
    checkForUpdates(true, true);
}

void AppUpdateChecker::restartToUpdate()
{
    installPendingUpdate();
}

void AppUpdateChecker::checkForUpdates(bool showWhenCurrent, bool recordAttempt)
{
    if (isChecking_) {
        return;
    }
    isChecking_ = true;
    if (!Url::parse(services_.manifestURL)) {
        isChecking_ = false;
        return;
    }
    HttpRequest request;
    request.url = services_.manifestURL;
    request.idleTimeout = kManifestTimeout;
    request.headers = {{"Accept", "application/json"}, {"User-Agent", "Quillmarker/" + currentVersion()}};
    checkToken_ = CancellationToken();
    BackgroundTask::run(
        services_.queue, services_.mainLoop,
        [&http = services_.http, request](const CancellationToken& token) {
            ManifestAnswer answer;
            try {
                answer.response = http.perform(request, token);
            } catch (const PlatformError& error) {
                answer.error = error;
            } catch (const std::exception& error) {
                answer.error = PlatformError("NSURLErrorDomain", -1, error.what());
            }
            return answer;
        },
        alive_.guard([this, showWhenCurrent, recordAttempt](const ManifestAnswer& answer) {
            manifestArrived(showWhenCurrent, recordAttempt, answer);
        }),
        checkToken_);
}

void AppUpdateChecker::manifestArrived(bool showWhenCurrent, bool recordAttempt, const ManifestAnswer& answer)
{
    isChecking_ = false;
    if (answer.error) {
        if (showWhenCurrent) {
            showInfoAlert("Update Check Failed",
                          "Could not reach the update service.\n\n" + answer.error->localizedDescription());
        }
        return;
    }
    const int status = answer.response ? answer.response->status : -1;
    if (status != 200) {
        if (showWhenCurrent) {
            showInfoAlert("Update Check Failed",
                          fmt::format("The update service returned HTTP {}. Try again later.", status));
        }
        return;
    }
    UpdateManifest manifest;
    try {
        manifest = decodeManifest(answer.response->body, services_.manifestURL);
    } catch (const std::exception&) {
        if (showWhenCurrent) {
            showInfoAlert("Update Check Failed",
                          "The release manifest was invalid. No update was downloaded.");
        }
        return;
    }
    if (recordAttempt) {
        services_.defaults.set(std::string(lastCheckKey), services_.clock.now());
    }
    latestManifest_ = manifest;
    if (!describesUpdate(manifest, currentVersion(), currentBuild())) {
        if (showWhenCurrent) {
            pendingUpdateVersion_.reset();
            pendingUpdateNotes_.reset();
            showInfoAlert("You're Up to Date",
                          fmt::format("Quillmarker {} is the latest release.", currentVersion()));
        }
        return;
    }
    const std::string notes = preparedNotes(manifest.releaseNotes);
    pendingUpdateVersion_ = manifest.version;
    pendingUpdateNotes_ = notes;
    services_.notificationCenter.post(std::string(updateAvailableNotification), nullptr,
                                      UserInfo{{"version", manifest.version}, {"notes", notes}});
    postUpdateNotification(manifest.version, notes);
    if (showWhenCurrent) {
        showUpdateAvailableAlert(manifest.version, notes);
    } else {
        showHUD(fmt::format("Update {} available — open the menu to install", manifest.version),
                "arrow.down.circle.fill");
    }
}

void AppUpdateChecker::postUpdateNotification(const std::string& version, const std::string& notes)
{
    NotificationRequest request;
    request.identifier = std::string(updateNotificationId);
    request.content.title = fmt::format("Quillmarker {} Available", version);
    request.content.body = "Install the checksum-verified update from the Quillmarker menu.";
    request.content.sound = std::string(NotificationContent::defaultSound);
    request.content.categoryIdentifier = std::string(updateCategoryId);
    request.content.userInfo = UserInfo{{"version", version}, {"notes", notes}};
    services_.userNotificationCenter.add(std::move(request));
}

void AppUpdateChecker::showUpdateAvailableAlert(const std::string& version, const std::string& notes)
{
    Alert alert;
    alert.alertStyle = Alert::Style::informational;
    alert.messageText = "Update Available";
    alert.informativeText = fmt::format("Quillmarker {} is available.\n\n{}", version, notes);
    alert.addButton("Install Update");
    alert.addButton("Later");
    if (alert.runModal(services_.alerts) == Alert::alertFirstButtonReturn) {
        installPendingUpdate();
    }
}

void AppUpdateChecker::showInfoAlert(const std::string& title, const std::string& message)
{
    Alert alert;
    alert.alertStyle = Alert::Style::informational;
    alert.messageText = title;
    alert.informativeText = message;
    alert.addButton("OK");
    alert.runModal(services_.alerts);
}

void AppUpdateChecker::showHUD(const std::string& message, const std::string& systemImage)
{
    services_.notificationCenter.post(ShellNotifications::showHUDMessage, nullptr,
                                      UserInfo{{"message", message}, {"systemImage", systemImage}});
}

}  // namespace qm
