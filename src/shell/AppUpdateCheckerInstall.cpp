// Installing the pending update: download, verify, place, open, quit.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/stat.h>

#include <fmt/format.h>

#include "base/FileUtil.h"
#include "base/Log.h"
#include "platform/network/HttpStreamClient.h"
#include "platform/runtime/BackgroundTask.h"
#include "platform/runtime/MainLoop.h"
#include "platform/workspace/Workspace.h"
#include "shell/AppUpdateChecker.h"
#include "shell/UpdateError.h"
#include "shell/UpdateImageDownload.h"

namespace qm {

// Where the verified image goes, and the folder's name as the user is told it.
struct AppUpdateChecker::Destination {
    std::filesystem::path folder;
    std::filesystem::path file;
    std::string folderName;
};

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// Status, size and checksum, in this order; the first that fails throws.
void verify(const UpdateImageDownload& download, const AppUpdateChecker::UpdateManifest& manifest)
{
    if (download.status() != 200) {
        throw UpdateError::invalidHTTPStatus(download.status());
    }
    struct stat status {};
    if (::stat(download.file().c_str(), &status) != 0) {
        const int code = errno;
        throw PlatformError("NSPOSIXErrorDomain", code,
                            fmt::format("The file “{}” couldn’t be read: {}.", download.file().string(),
                                        std::strerror(code)));
    }
    const auto size = static_cast<std::int64_t>(status.st_size);
    if (size < AppUpdateChecker::kMinimumImageBytes || size > AppUpdateChecker::kMaximumImageBytes) {
        throw UpdateError::invalidFileSize(size);
    }
    if (!equalIgnoringCase(AppUpdateChecker::sha256(download.file()), manifest.sha256)) {
        throw UpdateError::checksumMismatch();
    }
}

}  // namespace

AppUpdateChecker::Destination AppUpdateChecker::destination(std::string_view version) const
{
    Destination destination;
    if (const auto downloads = services_.downloadsFolder()) {
        if (!file::createDirectories(*downloads) && std::filesystem::is_directory(*downloads)) {
            destination.folder = *downloads;
            destination.folderName = "Downloads";
        }
    }
    if (destination.folder.empty()) {
        destination.folder = services_.temporaryDirectory();
        destination.folderName = destination.folder.string();
    }
    destination.file = destination.folder / imageFileName(version);
    return destination;
}

void AppUpdateChecker::installPendingUpdate()
{
    if (isDownloading_) {
        return;
    }
    const auto url =
        latestManifest_ ? validDownloadURL(latestManifest_->dmgURL, services_.manifestURL) : std::nullopt;
    if (!url) {
        Log::print("⚠️ AppUpdateChecker: Update Not Ready: no release information is held");
        showInfoAlert("Update Not Ready", "Check for updates again to refresh the release information.");
        return;
    }
    isDownloading_ = true;
    showHUD("Downloading update…", "arrow.down.circle");

    const UpdateManifest manifest = *latestManifest_;
    const Destination target = destination(manifest.version);
    HttpRequest request;
    request.url = url->text;
    request.idleTimeout = kDownloadTimeout;
    downloadToken_ = CancellationToken();
    BackgroundTask::run(
        services_.queue, services_.mainLoop,
        [&downloads = services_.downloads, request, folder = target.folder](const CancellationToken& token) {
            // Shared so that a result never handed over still removes its file.
            auto download = std::make_shared<UpdateImageDownload>(folder, kMaximumImageBytes);
            if (auto error = download->open()) {
                download->finish(std::move(error));
                return download;
            }
            std::optional<PlatformError> error;
            try {
                error = downloads.perform(request, token, *download);
            } catch (const std::exception& failure) {
                error = PlatformError("NSURLErrorDomain", -1, failure.what());
            }
            download->finish(std::move(error));
            return download;
        },
        alive_.guard([this, manifest, target](const std::shared_ptr<UpdateImageDownload>& download) {
            isDownloading_ = false;
            if (download->error()) {
                showInfoAlert("Update Download Failed", download->error()->localizedDescription());
                return;
            }
            try {
                verify(*download, manifest);
                download->moveTo(target.file);
            } catch (const std::exception& error) {
                showInfoAlert("Update Verification Failed",
                              std::string(error.what()) +
                                  "\n\nQuillmarker stayed open. Check for updates and try again.");
                return;
            }
            if (!services_.workspace.openFile(target.file.string())) {
                showInfoAlert("Could Not Open Update",
                              fmt::format("The verified DMG was saved to {}. Open it manually to install {}.",
                                          target.folderName, manifest.version));
                return;
            }
            showHUD("Install from the DMG, then reopen Quillmarker", "arrow.triangle.2.circlepath");
            services_.mainLoop.postAfter(kTerminateDelay, alive_.guard([this] {
                if (services_.terminateApplication) {
                    services_.terminateApplication();
                }
            }));
        }),
        downloadToken_);
}

}  // namespace qm
