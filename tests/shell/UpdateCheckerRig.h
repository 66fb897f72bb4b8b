#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/sim/StandInPlatform.h"
#include "platform/network/HttpClient.h"
#include "platform/network/HttpStreamClient.h"
#include "platform/runtime/ConcurrentQueue.h"
#include "platform/workspace/Alert.h"
#include "shell/AppUpdateChecker.h"
#include "shell/ShellNotifications.h"
#include "support/TempDir.h"

namespace qm::test {

// Answers manifest requests from the test's script, on the queue's thread.
// hold() makes the next requests wait until release(), for requests in flight.
class ScriptedHttpClient final : public HttpClient {
public:
    using Answer = std::function<HttpResponse(const HttpRequest&)>;

    void answer(Answer answer)
    {
        std::lock_guard lock(mutex_);
        answer_ = std::move(answer);
    }
    void hold()
    {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    void release()
    {
        std::lock_guard lock(mutex_);
        held_ = false;
        changed_.notify_all();
    }
    std::vector<HttpRequest> requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    HttpResponse perform(const HttpRequest& request, const CancellationToken&) override
    {
        std::unique_lock lock(mutex_);
        requests_.push_back(request);
        changed_.wait_for(lock, std::chrono::seconds(5), [this] { return !held_; });
        const Answer answer = answer_;
        lock.unlock();
        if (!answer) {
            throw HttpError(HttpError::Code::cannotConnectToHost);
        }
        return answer(request);
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Answer answer_;
    std::vector<HttpRequest> requests_;
    bool held_ = false;
};

// Serves the disk image from the test's script: a status, then `size` bytes
// (the text of `body`, or `fill` repeated) in chunks, then the error, if any,
// that ends the transfer. Records how much the receiver took.
class ScriptedDownloads final : public HttpStreamClient {
public:
    struct Script {
        int status = 200;
        std::string body = {};
        // Without a body: this many bytes of `fill`.
        std::int64_t size = 0;
        char fill = 'x';
        std::optional<PlatformError> endsWith = std::nullopt;
    };

    void serve(Script script)
    {
        std::lock_guard lock(mutex_);
        script_ = std::move(script);
    }
    std::vector<HttpRequest> requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::int64_t bytesTaken() const
    {
        std::lock_guard lock(mutex_);
        return taken_;
    }

    std::optional<PlatformError> perform(const HttpRequest& request, const CancellationToken&,
                                         HttpStreamReceiver& receiver) override
    {
        Script script;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            script = script_;
            taken_ = 0;
        }
        if (!receiver.receiveResponse(script.status)) {
            return std::nullopt;
        }
        const std::int64_t size = script.body.empty() ? script.size : std::int64_t(script.body.size());
        const std::string filler(kChunk, script.fill);
        for (std::int64_t offset = 0; offset < size; offset += kChunk) {
            const auto length = std::size_t(std::min<std::int64_t>(kChunk, size - offset));
            const std::string_view chunk =
                script.body.empty() ? std::string_view(filler).substr(0, length)
                                    : std::string_view(script.body).substr(std::size_t(offset), length);
            const bool more = receiver.receiveData(chunk);
            {
                std::lock_guard lock(mutex_);
                taken_ += std::int64_t(length);
            }
            if (!more) {
                return std::nullopt;
            }
        }
        return script.endsWith;
    }

private:
    static constexpr std::int64_t kChunk = 1 << 20;
    mutable std::mutex mutex_;
    Script script_;
    std::vector<HttpRequest> requests_;
    std::int64_t taken_ = 0;
};

// A checker on the stand-in platform with private Downloads and temporary
// folders, over the HTTP clients the test gives, recording what it posts.
class UpdateCheckerRig {
public:
    UpdateCheckerRig(HttpClient& http, HttpStreamClient& downloads) : http_(http), downloads_(downloads)
    {
        platform.userNotifications.setAuthorizationStatus(
            UserNotificationSettings::AuthorizationStatus::authorized);
        observers_.push_back(platform.notificationCenter.addObserver(
            std::string(AppUpdateChecker::updateAvailableNotification), nullptr,
            [this](const Notification& n) { announcements.push_back(n.userInfo); }));
        observers_.push_back(platform.notificationCenter.addObserver(
            ShellNotifications::showHUDMessage, nullptr, [this](const Notification& n) {
                hud.push_back(n.userInfo.get<std::string>("message").value_or("") + " | " +
                              n.userInfo.get<std::string>("systemImage").value_or(""));
            }));
    }

    ~UpdateCheckerRig()
    {
        checker.reset();
        for (auto& token : observers_) {
            platform.notificationCenter.removeObserver(token);
        }
    }

    AppUpdateChecker& make(std::string manifestURL = std::string(AppUpdateChecker::manifestURLString()))
    {
        checker = std::make_unique<AppUpdateChecker>(AppUpdateChecker::Services{
            .mainLoop = platform.loop,
            .clock = platform.clock,
            .defaults = platform.defaults,
            .notificationCenter = platform.notificationCenter,
            .userNotificationCenter = platform.userNotifications,
            .alerts = platform.alerts,
            .workspace = platform.desktop.workspace(),
            .http = http_,
            .downloads = downloads_,
            .queue = queue,
            .terminateApplication = [this] { ++terminations; },
            .manifestURL = std::move(manifestURL),
            .downloadsFolder = [this] { return downloadsFolder; },
            .temporaryDirectory = [this] { return temporaryFolder; },
        });
        return *checker;
    }

    // Pumps the main loop until no request or download is in flight.
    bool settle(double seconds = 20)
    {
        return platform.loop.runUntil([this] { return !checker->isChecking() && !checker->isDownloading(); },
                                      seconds);
    }

    // The title and text of each alert shown, in order.
    std::vector<std::pair<std::string, std::string>> alerts() const
    {
        std::vector<std::pair<std::string, std::string>> shown;
        for (const auto& alert : platform.alerts.shownAlerts()) {
            shown.emplace_back(alert.messageText, alert.informativeText);
        }
        return shown;
    }

    std::vector<std::pair<std::string, std::string>> alertsSince(std::size_t count) const
    {
        auto shown = alerts();
        shown.erase(shown.begin(), shown.begin() + std::ptrdiff_t(std::min(count, shown.size())));
        return shown;
    }

    // Every file in the two folders, hidden ones too.
    std::vector<std::string> filesLeft() const
    {
        std::vector<std::string> names;
        for (const auto& folder : {downloadsFolder.value_or(home.path()), temporaryFolder}) {
            std::error_code ignored;
            for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    double lastCheck() const
    {
        return platform.defaults.doubleForKey(std::string(AppUpdateChecker::lastCheckKey));
    }

    StandInPlatform platform;
    TempDir home;
    std::optional<std::filesystem::path> downloadsFolder = home / "Downloads";
    std::filesystem::path temporaryFolder = home.path();
    std::vector<UserInfo> announcements;
    std::vector<std::string> hud;
    int terminations = 0;

private:
    HttpClient& http_;
    HttpStreamClient& downloads_;
    std::vector<NotificationCenter::ObserverToken> observers_;

public:
    // Its tasks finish before the clients they use go; the checker before it.
    ConcurrentQueue queue{"com.quillmarker.test.updates", 2};
    std::unique_ptr<AppUpdateChecker> checker;
};

// A manifest as the update host would serve it, for an image at `imageURL`.
inline nlohmann::json manifestFor(const std::string& version, const std::string& imageURL,
                                  const std::string& sha256, std::int64_t build = 1)
{
    return {{"version", version}, {"build", build},   {"minimumSystemVersion", "13.0"},
            {"dmgURL", imageURL}, {"sha256", sha256}, {"releaseNotes", {"Faster capture", "Fewer crashes"}}};
}

}  // namespace qm::test
