// The update check and install against scripted answers of the HTTP clients.

#include "shell/AppUpdateChecker.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "base/Sha256.h"
#include "platform/network/UrlError.h"
#include "shell/UpdateCheckerRig.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Checker = AppUpdateChecker;
using Shown = std::vector<std::pair<std::string, std::string>>;

const std::string kHost = std::string(Checker::updateHost());
const std::string kImageURL = "https://" + kHost + "/releases/Quillmarker-9.9.dmg";
const std::string kImage(120000, 'q');
const std::string kImageDigest = Sha256::hexDigest(kImage);
const std::string kStayedOpen = "\n\nQuillmarker stayed open. Check for updates and try again.";

HttpResponse respond(int status, std::string body)
{
    HttpResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

class AppUpdateCheckerTest : public testing::Test {
protected:
    AppUpdateCheckerTest() { rig.make(); }

    // The manifest request answers with `status` and `body`.
    void serveManifest(int status, std::string body)
    {
        http.answer([status, body](const HttpRequest&) { return respond(status, body); });
    }
    void serveNewerRelease(const std::string& version = "9.9", const std::string& sha = kImageDigest)
    {
        serveManifest(200, manifestFor(version, kImageURL, sha).dump());
    }

    // A manual check that finds 9.9, its alert answered "Later".
    void findNewerRelease(const std::string& sha = kImageDigest)
    {
        serveNewerRelease("9.9", sha);
        rig.platform.alerts.answerNextWithButton("Later");
        rig.checker->checkForUpdatesManually();
        ASSERT_TRUE(rig.settle());
        ASSERT_TRUE(rig.checker->hasPendingUpdate());
    }

    // Installs with the image served as scripted, expecting one alert (or
    // none); the alerts shown on the way.
    Shown install(ScriptedDownloads::Script script, bool alert = true)
    {
        downloads.serve(std::move(script));
        const std::size_t before = rig.alerts().size();
        if (alert) {
            rig.platform.alerts.answerNextWithButton("OK");
        }
        rig.checker->installPendingUpdate();
        EXPECT_TRUE(rig.settle());
        return rig.alertsSince(before);
    }

    fs::path destination() const { return *rig.downloadsFolder / "Quillmarker-9.9.dmg"; }
    std::vector<std::string> opened() { return rig.platform.desktop.workspace().openedFiles(); }

    ScriptedHttpClient http;
    ScriptedDownloads downloads;
    UpdateCheckerRig rig{http, downloads};
};

TEST_F(AppUpdateCheckerTest, AsksForTheManifestWithoutCacheAndWithTheRunningVersion)
{
    serveManifest(200, manifestFor(Checker::currentVersion(), kImageURL, kImageDigest).dump());
    rig.platform.alerts.answerNextWithButton("OK");
    rig.checker->checkForUpdatesManually();
    EXPECT_TRUE(rig.checker->isChecking());
    ASSERT_TRUE(rig.settle());
    const auto requests = http.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].url, "https://" + kHost + "/update.json");
    EXPECT_EQ(requests[0].idleTimeout, 15.0);
    EXPECT_EQ(requests[0].headers, (std::vector<std::pair<std::string, std::string>>{
                                       {"Accept", "application/json"},
                                       {"User-Agent", "Quillmarker/" + Checker::currentVersion()}}));
}

TEST_F(AppUpdateCheckerTest, TheDailyCheckRunsOnceADayAndWhenTheClockWasTurnedBack)
{
    const double now = 1'700'000'000;
    const struct {
        const char* what;
        std::optional<double> lastCheck;
        bool checks;
    } cases[] = {
        {"never checked", std::nullopt, true},
        {"an hour ago", now - 3600, false},
        {"a second short of a day", now - 86399, false},
        {"a day ago", now - 86400, true},
        {"just now", now, false},
        {"in the future", now + 3600, true},
        {"far in the future", now + 30 * 86400, true},
    };
    serveManifest(200, manifestFor(Checker::currentVersion(), kImageURL, kImageDigest).dump());
    for (const auto& c : cases) {
        rig.platform.clock.set(now);
        if (c.lastCheck) {
            rig.platform.defaults.set(std::string(Checker::lastCheckKey), *c.lastCheck);
        } else {
            rig.platform.defaults.removeObjectForKey(std::string(Checker::lastCheckKey));
        }
        const std::size_t before = http.requests().size();
        rig.checker->checkForUpdatesIfNeeded();
        ASSERT_TRUE(rig.settle());
        EXPECT_EQ(http.requests().size() - before, c.checks ? 1u : 0u) << c.what;
        EXPECT_EQ(rig.lastCheck(), c.checks ? now : c.lastCheck.value_or(0)) << c.what;
    }
    EXPECT_TRUE(rig.alerts().empty());
}

TEST_F(AppUpdateCheckerTest, AFailedCheckAlertsOnlyWhenAskedAndIsNotRecorded)
{
    const struct {
        const char* what;
        ScriptedHttpClient::Answer answer;
        std::string text;
    } cases[] = {
        {"no connection",
         [](const HttpRequest&) -> HttpResponse { throw HttpError(HttpError::Code::cannotConnectToHost); },
         "Could not reach the update service.\n\n" +
             std::string(HttpError::describe(HttpError::Code::cannotConnectToHost))},
        {"304", [](const HttpRequest&) { return respond(304, ""); },
         "The update service returned HTTP 304. Try again later."},
        {"500", [](const HttpRequest&) { return respond(500, "{}"); },
         "The update service returned HTTP 500. Try again later."},
        {"not JSON", [](const HttpRequest&) { return respond(200, "<html>"); },
         "The release manifest was invalid. No update was downloaded."},
        {"an empty body", [](const HttpRequest&) { return respond(200, ""); },
         "The release manifest was invalid. No update was downloaded."},
        {"a refused image host",
         [](const HttpRequest&) {
             return respond(200, manifestFor("9.9", "https://example.com/a.dmg", kImageDigest).dump());
         },
         "The release manifest was invalid. No update was downloaded."},
        {"build 0",
         [](const HttpRequest&) {
             return respond(200, manifestFor("9.9", kImageURL, kImageDigest, 0).dump());
         },
         "The release manifest was invalid. No update was downloaded."},
    };
    for (const auto& c : cases) {
        http.answer(c.answer);
        const std::size_t quiet = rig.alerts().size();
        rig.checker->checkForUpdatesIfNeeded();
        ASSERT_TRUE(rig.settle());
        EXPECT_EQ(rig.alerts().size(), quiet) << c.what << ": a daily check says nothing";

        rig.platform.alerts.answerNextWithButton("OK");
        const std::size_t before = rig.alerts().size();
        rig.checker->checkForUpdatesManually();
        ASSERT_TRUE(rig.settle());
        EXPECT_EQ(rig.alertsSince(before), (Shown{{"Update Check Failed", c.text}})) << c.what;

        EXPECT_EQ(rig.lastCheck(), 0) << c.what;
        EXPECT_FALSE(rig.checker->latestManifest()) << c.what;
        EXPECT_FALSE(rig.checker->hasPendingUpdate()) << c.what;
        EXPECT_TRUE(rig.announcements.empty()) << c.what;
        EXPECT_TRUE(downloads.requests().empty()) << c.what;
    }
    EXPECT_EQ(http.requests().size(), 2 * std::size(cases));
}

TEST_F(AppUpdateCheckerTest, ADailyCheckAnnouncesANewerReleaseOnTheHUD)
{
    serveManifest(200, manifestFor("9.9", kImageURL, kImageDigest).dump());
    rig.checker->checkForUpdatesIfNeeded();
    ASSERT_TRUE(rig.settle());
    rig.platform.loop.runUntilIdle();

    const std::string notes = "Faster capture\nFewer crashes";
    EXPECT_EQ(rig.checker->pendingUpdateVersion(), "9.9");
    EXPECT_EQ(rig.checker->pendingUpdateNotes(), notes);
    EXPECT_EQ(rig.checker->latestManifest()->version, "9.9");
    EXPECT_EQ(rig.lastCheck(), rig.platform.clock.now());
    ASSERT_EQ(rig.announcements.size(), 1u);
    EXPECT_EQ(rig.announcements[0].get<std::string>("version"), "9.9");
    EXPECT_EQ(rig.announcements[0].get<std::string>("notes"), notes);
    EXPECT_EQ(rig.hud, (std::vector<std::string>{
                           "Update 9.9 available — open the menu to install | arrow.down.circle.fill"}));
    EXPECT_TRUE(rig.alerts().empty());

    const auto delivered = rig.platform.userNotifications.deliveredNotifications();
    ASSERT_EQ(delivered.size(), 1u);
    const NotificationRequest& request = delivered[0].request;
    EXPECT_EQ(request.identifier, "QUILLMRKER_APP_UPDATE");
    EXPECT_FALSE(request.trigger);
    EXPECT_EQ(request.content.title, "Quillmarker 9.9 Available");
    EXPECT_EQ(request.content.body, "Install the checksum-verified update from the Quillmarker menu.");
    EXPECT_EQ(request.content.sound, "default");
    EXPECT_EQ(request.content.categoryIdentifier, "QUILLMRKER_UPDATE");
    EXPECT_EQ(request.content.userInfo.get<std::string>("version"), "9.9");
    EXPECT_EQ(request.content.userInfo.get<std::string>("notes"), notes);
    EXPECT_TRUE(downloads.requests().empty()) << "nothing is downloaded before the user asks";
}

TEST_F(AppUpdateCheckerTest, AManualCheckOffersTheNewerReleaseAndInstallsWhenChosen)
{
    serveManifest(200, manifestFor("9.9", kImageURL, kImageDigest).dump());
    downloads.serve({.body = kImage});
    rig.platform.alerts.answerNextWithButton("Install Update");
    rig.checker->checkForUpdatesManually();
    ASSERT_TRUE(rig.settle());
    ASSERT_TRUE(rig.settle());

    ASSERT_EQ(rig.platform.alerts.shownAlerts().size(), 1u);
    const Alert offer = rig.platform.alerts.shownAlerts()[0];
    EXPECT_EQ(offer.messageText, "Update Available");
    EXPECT_EQ(offer.informativeText, "Quillmarker 9.9 is available.\n\nFaster capture\nFewer crashes");
    EXPECT_EQ(offer.buttons, (std::vector<std::string>{"Install Update", "Later"}));
    EXPECT_EQ(offer.alertStyle, Alert::Style::informational);
    EXPECT_EQ(downloads.requests().size(), 1u);
    EXPECT_EQ(opened(), (std::vector<std::string>{destination().string()}));
}

TEST_F(AppUpdateCheckerTest, OnlyAManualCheckThatFindsNothingNewerClearsThePendingRelease)
{
    findNewerRelease();
    serveManifest(200, manifestFor(Checker::currentVersion(), kImageURL, kImageDigest).dump());
    rig.platform.clock.advance(2 * 86400);
    rig.checker->checkForUpdatesIfNeeded();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(rig.checker->pendingUpdateVersion(), "9.9") << "a daily check keeps it";
    EXPECT_EQ(rig.checker->latestManifest()->version, Checker::currentVersion());

    rig.platform.alerts.answerNextWithButton("OK");
    const std::size_t before = rig.alerts().size();
    rig.checker->checkForUpdatesManually();
    ASSERT_TRUE(rig.settle());
    EXPECT_FALSE(rig.checker->hasPendingUpdate());
    EXPECT_FALSE(rig.checker->pendingUpdateNotes());
    EXPECT_EQ(rig.alertsSince(before),
              (Shown{{"You're Up to Date",
                      "Quillmarker " + Checker::currentVersion() + " is the latest release."}}));
}

TEST_F(AppUpdateCheckerTest, ASecondCheckWhileOneIsInFlightStartsNothing)
{
    serveManifest(200, manifestFor(Checker::currentVersion(), kImageURL, kImageDigest).dump());
    http.hold();
    rig.checker->checkForUpdatesIfNeeded();
    rig.checker->checkForUpdatesManually();
    rig.checker->checkForUpdatesManually();
    http.release();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(http.requests().size(), 1u);
    EXPECT_TRUE(rig.alerts().empty()) << "the manual check that was dropped shows nothing";

    // Cleared before any message: the next check starts at once.
    rig.platform.alerts.answerNextWithButton("OK");
    rig.checker->checkForUpdatesManually();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(http.requests().size(), 2u);
}

TEST_F(AppUpdateCheckerTest, ACheckerThatIsGoneHearsNothingOfItsRequest)
{
    serveNewerRelease();
    http.hold();
    rig.checker->checkForUpdatesManually();
    // Waits in real time: the request arrives on the queue's thread, which posts nothing yet.
    for (int i = 0; i < 500 && http.requests().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(http.requests().size(), 1u);
    rig.checker.reset();
    http.release();
    rig.platform.loop.runUntil([] { return false; }, 0.3);
    EXPECT_TRUE(rig.alerts().empty());
    EXPECT_TRUE(rig.announcements.empty());
}

TEST_F(AppUpdateCheckerTest, InstallingWithoutAnAcceptedManifestIsNotReady)
{
    EXPECT_EQ(install({.body = kImage}),
              (Shown{{"Update Not Ready", "Check for updates again to refresh the release information."}}));
    EXPECT_TRUE(downloads.requests().empty());
    EXPECT_FALSE(rig.checker->isDownloading());
}

TEST_F(AppUpdateCheckerTest, AVerifiedImageIsSavedToDownloadsOpenedAndTheProgramQuits)
{
    findNewerRelease();
    ASSERT_FALSE(file::createDirectories(*rig.downloadsFolder));
    ASSERT_FALSE(file::writeAtomically(destination(), "an older download"));

    EXPECT_TRUE(install({.body = kImage}, false).empty());
    const auto requests = downloads.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].url, kImageURL);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].idleTimeout, 120.0);
    EXPECT_TRUE(requests[0].headers.empty());

    std::error_code error;
    EXPECT_EQ(file::readAll(destination(), error), kImage) << "the older download was replaced";
    EXPECT_EQ(opened(), (std::vector<std::string>{destination().string()}));
    EXPECT_EQ(rig.filesLeft(), (std::vector<std::string>{"Downloads", "Quillmarker-9.9.dmg"}));
    EXPECT_EQ(rig.hud, (std::vector<std::string>{
                           "Downloading update… | arrow.down.circle",
                           "Install from the DMG, then reopen Quillmarker | arrow.triangle.2.circlepath"}));

    rig.platform.loop.advance(1.19);
    EXPECT_EQ(rig.terminations, 0);
    rig.platform.loop.advance(0.01);
    EXPECT_EQ(rig.terminations, 1);
    EXPECT_EQ(rig.checker->pendingUpdateVersion(), "9.9") << "an install leaves the pending values";
}

TEST_F(AppUpdateCheckerTest, NothingThatFailsVerificationIsOpenedOrLeftBehind)
{
    const struct {
        const char* what;
        ScriptedDownloads::Script script;
        std::string sha;
        std::string error;
    } cases[] = {
        {"404", {.status = 404, .body = kImage}, kImageDigest, "The download server returned HTTP 404."},
        {"a redirect", {.status = 302}, kImageDigest, "The download server returned HTTP 302."},
        {"an empty 200", {.status = 200}, kImageDigest, "The downloaded file size was unexpected (0 bytes)."},
        {"99999 bytes",
         {.size = 99999},
         kImageDigest,
         "The downloaded file size was unexpected (99999 bytes)."},
        {"100000 bytes",
         {.size = 100000},
         kImageDigest,
         "The downloaded file did not match the published SHA-256 checksum."},
        {"150000000 bytes",
         {.size = 150000000},
         kImageDigest,
         "The downloaded file did not match the published SHA-256 checksum."},
        {"150000001 bytes",
         {.size = 150000001},
         kImageDigest,
         "The downloaded file size was unexpected (150000001 bytes)."},
        {"another image",
         {.body = std::string(kImage.size(), 'r')},
         kImageDigest,
         "The downloaded file did not match the published SHA-256 checksum."},
    };
    for (const auto& c : cases) {
        findNewerRelease(c.sha);
        EXPECT_EQ(install(c.script), (Shown{{"Update Verification Failed", c.error + kStayedOpen}}))
            << c.what;
        EXPECT_TRUE(opened().empty()) << c.what;
        EXPECT_EQ(rig.filesLeft(), (std::vector<std::string>{"Downloads"})) << c.what;
        EXPECT_FALSE(rig.checker->isDownloading()) << c.what;
        EXPECT_EQ(rig.checker->pendingUpdateVersion(), "9.9") << c.what;
    }
    rig.platform.loop.advance(5);
    EXPECT_EQ(rig.terminations, 0);
}

TEST_F(AppUpdateCheckerTest, AnImageFarTooLargeStopsDownloadingOnceItPassesTheLimit)
{
    findNewerRelease();
    const Shown shown = install({.size = 400'000'000});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, "Update Verification Failed");
    EXPECT_NE(shown[0].second.find("The downloaded file size was unexpected ("), std::string::npos);
    EXPECT_GT(downloads.bytesTaken(), Checker::kMaximumImageBytes);
    EXPECT_LE(downloads.bytesTaken(), Checker::kMaximumImageBytes + (1 << 20)) << "one chunk past the limit";
    EXPECT_TRUE(opened().empty());
    EXPECT_EQ(rig.filesLeft(), (std::vector<std::string>{"Downloads"}));
}

TEST_F(AppUpdateCheckerTest, TheChecksumIsComparedWithoutRegardToCase)
{
    std::string upper = kImageDigest;
    for (char& c : upper) {
        c = char(std::toupper(static_cast<unsigned char>(c)));
    }
    findNewerRelease(upper);
    EXPECT_TRUE(install({.body = kImage}, false).empty());
    EXPECT_EQ(opened(), (std::vector<std::string>{destination().string()}));
}

TEST_F(AppUpdateCheckerTest, ATransferThatFailsOrIsCutShortIsADownloadFailure)
{
    const struct {
        const char* what;
        ScriptedDownloads::Script script;
        std::string text;
    } cases[] = {
        {"no connection",
         {.endsWith = UrlError::make(UrlError::cannotConnectToHost)},
         "Could not connect to the server."},
        {"cut short",
         {.body = kImage, .endsWith = UrlError::make(UrlError::networkConnectionLost)},
         "The network connection was lost."},
        {"timed out",
         {.body = kImage.substr(0, 5000), .endsWith = UrlError::make(UrlError::timedOut)},
         "The request timed out."},
    };
    findNewerRelease();
    for (const auto& c : cases) {
        EXPECT_EQ(install(c.script), (Shown{{"Update Download Failed", c.text}})) << c.what;
        EXPECT_TRUE(opened().empty()) << c.what;
        EXPECT_EQ(rig.filesLeft(), (std::vector<std::string>{"Downloads"})) << c.what;
    }
}

TEST_F(AppUpdateCheckerTest, InstallingTwiceQuicklyStartsOneDownload)
{
    findNewerRelease();
    downloads.serve({.body = kImage});
    rig.checker->installPendingUpdate();
    rig.checker->restartToUpdate();
    rig.checker->installPendingUpdate();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(downloads.requests().size(), 1u);
    EXPECT_EQ(opened().size(), 1u);
    EXPECT_EQ(rig.alerts().size(), 1u) << "only the offer of the check";
}

TEST_F(AppUpdateCheckerTest, AnImageTheWorkspaceCannotOpenStaysWhereTheMessageSays)
{
    findNewerRelease();
    rig.platform.desktop.workspace().setOpenSucceeds(false);
    EXPECT_EQ(install({.body = kImage}),
              (Shown{{"Could Not Open Update",
                      "The verified DMG was saved to Downloads. Open it manually to install 9.9."}}));
    EXPECT_TRUE(fs::exists(destination()));

    // Without a Downloads folder to be had, the message names the folder used.
    ASSERT_FALSE(file::writeAtomically(rig.home / "not-a-folder", "x"));
    rig.downloadsFolder = rig.home / "not-a-folder" / "Downloads";
    rig.temporaryFolder = rig.home / "tmp";
    ASSERT_FALSE(file::createDirectories(rig.temporaryFolder));
    EXPECT_EQ(
        install({.body = kImage}),
        (Shown{{"Could Not Open Update", "The verified DMG was saved to " + rig.temporaryFolder.string() +
                                             ". Open it manually to install 9.9."}}));
    EXPECT_TRUE(fs::exists(rig.temporaryFolder / "Quillmarker-9.9.dmg"));
    rig.platform.loop.advance(5);
    EXPECT_EQ(rig.terminations, 0);
}

TEST_F(AppUpdateCheckerTest, AVersionThatLooksLikeAPathStaysOneFileInDownloads)
{
    serveManifest(200, manifestFor("9.9/../../../.config/evil", kImageURL, kImageDigest).dump());
    rig.platform.alerts.answerNextWithButton("Later");
    rig.checker->checkForUpdatesManually();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(rig.checker->pendingUpdateVersion(), "9.9/../../../.config/evil") << "the text itself is kept";
    EXPECT_TRUE(install({.body = kImage}, false).empty());
    const fs::path saved = *rig.downloadsFolder / "Quillmarker-9.9-..-..-..-.config-evil.dmg";
    EXPECT_EQ(opened(), (std::vector<std::string>{saved.string()}));
    EXPECT_FALSE(fs::exists(rig.home.path().parent_path() / ".config" / "evil.dmg"));
}

TEST_F(AppUpdateCheckerTest, AFolderThatCannotTakeTheDownloadIsNamedInTheFailure)
{
    findNewerRelease();
    rig.downloadsFolder.reset();
    rig.temporaryFolder = rig.home / "missing";
    EXPECT_EQ(install({.body = kImage}),
              (Shown{{"Update Download Failed", "Could not create the download in “" +
                                                    rig.temporaryFolder.string() +
                                                    "”: No such file or directory."}}));
    EXPECT_TRUE(downloads.requests().empty()) << "nothing is fetched that has nowhere to go";
}

}  // namespace
}  // namespace qm::test
