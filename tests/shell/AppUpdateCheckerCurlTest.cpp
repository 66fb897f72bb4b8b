// The update check and install through libcurl against an update host on
// 127.0.0.1: whatever the host sends, nothing unverified is opened.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>

#include "base/FileUtil.h"
#include "base/Sha256.h"
#include "platform/linux/network/CurlHttpClient.h"
#include "platform/linux/network/CurlHttpStreamClient.h"
#include "shell/AppUpdateChecker.h"
#include "shell/UpdateCheckerRig.h"
#include "support/FakeHttpServer.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Shown = std::vector<std::pair<std::string, std::string>>;

const std::string kImage(150000, 'i');
const std::string kStayedOpen = "\n\nQuillmarker stayed open. Check for updates and try again.";

// The update host: "/update.json" and one image, each answered as the test says.
class FakeUpdateHost {
public:
    using Respond = std::function<void(httplib::Response&)>;

    FakeUpdateHost()
    {
        server.setHandler([this](const FakeHttpServer::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex);
            if (request.path == "/update.json" && manifest) {
                manifest(response);
            } else if (request.path == "/releases/Quillmarker-9.9.dmg" && image) {
                image(response);
            } else {
                response.status = 404;
            }
        });
    }

    std::string manifestURL() const { return server.baseURL() + "/update.json"; }
    std::string imageURL() const { return server.baseURL() + "/releases/Quillmarker-9.9.dmg"; }

    void serveManifest(Respond respond)
    {
        std::lock_guard lock(mutex);
        manifest = std::move(respond);
    }
    void serveImage(Respond respond)
    {
        std::lock_guard lock(mutex);
        image = std::move(respond);
    }

    FakeHttpServer server;
    std::mutex mutex;
    Respond manifest;
    Respond image;
};

class AppUpdateCheckerCurlTest : public testing::Test {
protected:
    AppUpdateCheckerCurlTest() { rig.make(host.manifestURL()); }

    void serveRelease(const std::string& sha = Sha256::hexDigest(kImage))
    {
        const std::string body = manifestFor("9.9", host.imageURL(), sha).dump();
        host.serveManifest([body](httplib::Response& r) { FakeHttpServer::respondJson(r, body); });
    }

    // A manual check whose alerts are answered in turn; the alerts it showed.
    Shown checkManually(const std::vector<std::string>& answers)
    {
        const std::size_t before = rig.alerts().size();
        for (const auto& answer : answers) {
            rig.platform.alerts.answerNextWithButton(answer);
        }
        rig.checker->checkForUpdatesManually();
        EXPECT_TRUE(rig.settle());
        EXPECT_TRUE(rig.settle());
        return rig.alertsSince(before);
    }

    std::vector<std::string> opened() { return rig.platform.desktop.workspace().openedFiles(); }

    FakeUpdateHost host;
    CurlHttpClient http;
    CurlHttpStreamClient streams;
    UpdateCheckerRig rig{http, streams};
};

TEST_F(AppUpdateCheckerCurlTest, AReleaseFoundAndInstalledOverTheNetwork)
{
    serveRelease();
    host.serveImage([](httplib::Response& r) { r.set_content(kImage, "application/x-apple-diskimage"); });
    const Shown shown = checkManually({"Install Update"});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, "Update Available");

    const fs::path saved = *rig.downloadsFolder / "Quillmarker-9.9.dmg";
    EXPECT_EQ(opened(), (std::vector<std::string>{saved.string()}));
    std::error_code error;
    EXPECT_EQ(file::readAll(saved, error), kImage);
    rig.platform.loop.advance(1.2);
    EXPECT_EQ(rig.terminations, 1);

    const auto requests = host.server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].header("Accept"), "application/json");
    EXPECT_EQ(requests[0].header("User-Agent"), "Quillmarker/" + AppUpdateChecker::currentVersion());
    EXPECT_EQ(requests[1].path, "/releases/Quillmarker-9.9.dmg");
}

TEST_F(AppUpdateCheckerCurlTest, ACheckAnsweredBadlyAlertsAndDownloadsNothing)
{
    const struct {
        const char* what;
        FakeUpdateHost::Respond respond;
        std::string text;
    } cases[] = {
        {"500", [](httplib::Response& r) { FakeHttpServer::respondJson(r, "{}", 500); },
         "The update service returned HTTP 500. Try again later."},
        {"304", [](httplib::Response& r) { r.status = 304; },
         "The update service returned HTTP 304. Try again later."},
        {"a manifest cut short",
         [](httplib::Response& r) { FakeHttpServer::respondCutShort(r, "{\"version\": \"9.9\", ", 4000); },
         "Could not reach the update service.\n\nThe network connection was lost."},
        {"an image on another host",
         [](httplib::Response& r) {
             FakeHttpServer::respondJson(
                 r,
                 manifestFor("9.9", "http://localhost:1/Quillmarker-9.9.dmg", std::string(64, 'a')).dump());
         },
         "The release manifest was invalid. No update was downloaded."},
        {"notes that are one string",
         [this](httplib::Response& r) {
             auto manifest = manifestFor("9.9", host.imageURL(), std::string(64, 'a'));
             manifest["releaseNotes"] = "Fixes";
             FakeHttpServer::respondJson(r, manifest.dump());
         },
         "The release manifest was invalid. No update was downloaded."},
    };
    for (const auto& c : cases) {
        host.serveManifest(c.respond);
        EXPECT_EQ(checkManually({"OK"}), (Shown{{"Update Check Failed", c.text}})) << c.what;
        EXPECT_FALSE(rig.checker->latestManifest()) << c.what;
        EXPECT_EQ(rig.lastCheck(), 0) << c.what;
    }
    EXPECT_EQ(host.server.requestCount(), std::size(cases));
}

TEST_F(AppUpdateCheckerCurlTest, NothingUnverifiedIsEverOpened)
{
    const struct {
        const char* what;
        FakeUpdateHost::Respond respond;
        std::string sha;
        Shown shown;
    } cases[] = {
        {"404",
         [](httplib::Response& r) { r.status = 404; },
         Sha256::hexDigest(kImage),
         {{"Update Verification Failed", "The download server returned HTTP 404." + kStayedOpen}}},
        {"too small",
         [](httplib::Response& r) { r.set_content(std::string(99999, 'i'), "x/y"); },
         Sha256::hexDigest(std::string(99999, 'i')),
         {{"Update Verification Failed",
           "The downloaded file size was unexpected (99999 bytes)." + kStayedOpen}}},
        {"another image",
         [](httplib::Response& r) { r.set_content(std::string(kImage.size(), 'j'), "x/y"); },
         Sha256::hexDigest(kImage),
         {{"Update Verification Failed",
           "The downloaded file did not match the published SHA-256 checksum." + kStayedOpen}}},
        {"cut short",
         [](httplib::Response& r) {
             FakeHttpServer::respondCutShort(r, kImage.substr(0, 70000), kImage.size());
         },
         Sha256::hexDigest(kImage),
         {{"Update Download Failed", "The network connection was lost."}}},
    };
    for (const auto& c : cases) {
        serveRelease(c.sha);
        host.serveImage(c.respond);
        EXPECT_EQ(
            checkManually({"Install Update", "OK"}),
            (Shown{{"Update Available", "Quillmarker 9.9 is available.\n\nFaster capture\nFewer crashes"},
                   c.shown[0]}))
            << c.what;
        EXPECT_TRUE(opened().empty()) << c.what;
        EXPECT_EQ(rig.filesLeft(), (std::vector<std::string>{"Downloads"})) << c.what;
    }
    rig.platform.loop.advance(5);
    EXPECT_EQ(rig.terminations, 0);
}

TEST_F(AppUpdateCheckerCurlTest, AnEndlessImageIsCutOffPastTheLimit)
{
    serveRelease();
    auto sent = std::make_shared<std::atomic<std::size_t>>(0);
    host.serveImage([sent](httplib::Response& r) {
        r.set_chunked_content_provider("x/y", [sent](std::size_t, httplib::DataSink& sink) {
            static const std::string chunk(1 << 20, 'e');
            if (*sent >= std::size_t(1) << 30 || !sink.write(chunk.data(), chunk.size())) {
                return false;
            }
            *sent += chunk.size();
            return true;
        });
    });
    const Shown shown = checkManually({"Install Update", "OK"});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].first, "Update Verification Failed");
    EXPECT_NE(shown[1].second.find("The downloaded file size was unexpected ("), std::string::npos);
    EXPECT_LT(sent->load(), std::size_t(1) << 30) << "the transfer stopped";
    EXPECT_TRUE(opened().empty());
    EXPECT_EQ(rig.filesLeft(), (std::vector<std::string>{"Downloads"}));
}

}  // namespace
}  // namespace qm::test
