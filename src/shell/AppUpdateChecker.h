#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/network/Url.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/CancellationToken.h"
#include "platform/storage/DefaultsValue.h"
#include "shell/UpdateManifest.h"
#include "shell/UpdateNotification.h"

namespace qm {

class AlertPresenter;
class Clock;
class ConcurrentQueue;
class HttpClient;
class HttpStreamClient;
class MainLoop;
class NotificationCenter;
class UserDefaults;
class UserNotificationCenter;
class Workspace;

// Keeps the program current. Once a day at start-up, and whenever the user
// asks, it fetches the release manifest from the update host; a newer release
// becomes the pending update, announced by "AppUpdateAvailable", a local
// notification with a restart action, and an alert (asked for) or a HUD
// message (daily). Installing downloads the disk image next to its
// destination, verifies status, size and SHA-256 before anything else touches
// it, moves it into Downloads, opens it and quits 1.2 s later.
//
// Every failure of an install, and of a check the user asked for, ends in a
// modal alert and leaves the program running; a failed daily check is silent.
// All state lives on the main thread; transfers run on the queue with a token
// that the destructor cancels, so a checker that is gone is never called back.
class AppUpdateChecker {
public:
    using UpdateManifest = qm::UpdateManifest;

    struct Services {
        MainLoop& mainLoop;
        const Clock& clock;
        UserDefaults& defaults;
        NotificationCenter& notificationCenter;
        UserNotificationCenter& userNotificationCenter;
        AlertPresenter& alerts;
        Workspace& workspace;
        // The manifest request.
        HttpClient& http;
        // The disk image, written to its file as it arrives.
        HttpStreamClient& downloads;
        // Where the transfers wait for their answers.
        ConcurrentQueue& queue;
        // Ends the program by its normal stop path. Empty: it keeps running.
        std::function<void()> terminateApplication = {};
        // The release manifest's address; its images must come from the same
        // scheme and host. The product's own unless a test serves one.
        std::string manifestURL = std::string(manifestURLString());
        // The user's Downloads folder (created when missing); nothing, or a
        // folder that cannot be made, puts the image in `temporaryDirectory`.
        std::function<std::optional<std::filesystem::path>()> downloadsFolder = {};
        std::function<std::filesystem::path()> temporaryDirectory = {};
    };

    // Names and identifiers the rest of the program shares.
    static constexpr std::string_view updateAvailableNotification = "AppUpdateAvailable";
    static constexpr std::string_view updateNotificationId = UpdateNotification::notificationId;
    static constexpr std::string_view updateCategoryId = UpdateNotification::categoryId;
    static constexpr std::string_view restartActionId = UpdateNotification::restartActionId;
    static constexpr std::string_view lastCheckKey = "lastSuccessfulUpdateCheckTimestamp";

    static constexpr double kCheckInterval = 86400;
    static constexpr double kManifestTimeout = 15;
    static constexpr double kDownloadTimeout = 120;
    static constexpr double kTerminateDelay = 1.2;
    static constexpr std::int64_t kMinimumImageBytes = 100000;
    static constexpr std::int64_t kMaximumImageBytes = 150000000;
    static constexpr std::size_t kMaximumNoteCharacters = 280;

    // The product's update host, a setting of the build.
    static std::string_view updateHost();
    // "https://<update host>/update.json".
    static std::string_view manifestURLString();

    // --- The release manifest's rules; pure, any thread ---

    // The accepted manifest. A JSON or decoding error is thrown as it comes
    // (PlatformError); a refusal by the acceptance rules throws
    // UpdateError::invalidManifest. `manifestURL` names the host the image
    // must come from.
    static UpdateManifest decodeManifest(std::string_view body,
                                         std::string_view manifestURL = manifestURLString());
    // The image's address when it is absolute, has the manifest's scheme and
    // exactly its host (case kept, any port), and a path ending in ".dmg" in
    // any case.
    static std::optional<Url> validDownloadURL(std::string_view text,
                                               std::string_view manifestURL = manifestURLString());
    // "V1.2.3-beta2" gives 1, 2, 32: each dot-separated piece keeps its numeric
    // characters and reads them as a decimal integer (0 when it cannot).
    static std::vector<std::int64_t> parseVersion(std::string_view text);
    // Component by component, missing ones counting as 0.
    static bool isVersion(const std::vector<std::int64_t>& version,
                          const std::vector<std::int64_t>& newerThan);
    // Newer by version, or the same version (identical components) with a
    // higher build.
    static bool describesUpdate(const UpdateManifest& manifest, std::string_view currentVersion,
                                std::int64_t currentBuild);

    // The running release from the main bundle's information dictionary.
    static std::string currentVersion();
    static std::int64_t currentBuild();
    // The same rules over any information dictionary: the version text, or
    // "0"; the build as a whole decimal integer, or 0.
    static std::string versionIn(const DefaultsValue::Dictionary& info);
    static std::int64_t buildIn(const DefaultsValue::Dictionary& info);

    // The release notes as shown: lines joined by line feeds, at most 280
    // characters and "…"; without any text, where to download from.
    static std::string preparedNotes(const std::vector<std::string>& releaseNotes);
    // "Quillmarker-<version>.dmg", the version made safe as one file-name
    // component: "/", "\", ":" and NUL become "-", leading dots go.
    static std::string imageFileName(std::string_view version);
    // The file's SHA-256 as 64 lower-case hexadecimal digits; throws
    // PlatformError (naming the file) when it cannot be read.
    static std::string sha256(const std::filesystem::path& file);

    // --- The checker; main thread ---

    explicit AppUpdateChecker(Services services);
    ~AppUpdateChecker();
    AppUpdateChecker(const AppUpdateChecker&) = delete;
    AppUpdateChecker& operator=(const AppUpdateChecker&) = delete;

    // The daily check: runs unless the last accepted manifest is less than a
    // day old. A last-check time in the future (clock turned back) is due.
    void checkForUpdatesIfNeeded();
    // "Check for Updates…": says what it found, also when nothing is newer.
    void checkForUpdatesManually();
    void restartToUpdate();

    void checkForUpdates(bool showWhenCurrent, bool recordAttempt);
    void installPendingUpdate();

    bool isChecking() const { return isChecking_; }
    bool isDownloading() const { return isDownloading_; }
    const std::optional<UpdateManifest>& latestManifest() const { return latestManifest_; }
    const std::optional<std::string>& pendingUpdateVersion() const { return pendingUpdateVersion_; }
    const std::optional<std::string>& pendingUpdateNotes() const { return pendingUpdateNotes_; }
    bool hasPendingUpdate() const { return pendingUpdateVersion_.has_value(); }

private:
    struct ManifestAnswer;
    struct Destination;

    void manifestArrived(bool showWhenCurrent, bool recordAttempt, const ManifestAnswer& answer);
    Destination destination(std::string_view version) const;
    void postUpdateNotification(const std::string& version, const std::string& notes);
    void showUpdateAvailableAlert(const std::string& version, const std::string& notes);
    void showInfoAlert(const std::string& title, const std::string& message);
    void showHUD(const std::string& message, const std::string& systemImage);

    Services services_;
    bool isChecking_ = false;
    bool isDownloading_ = false;
    std::optional<UpdateManifest> latestManifest_;
    std::optional<std::string> pendingUpdateVersion_;
    std::optional<std::string> pendingUpdateNotes_;
    CancellationToken checkToken_;
    CancellationToken downloadToken_;
    AliveToken alive_;
};

}  // namespace qm
