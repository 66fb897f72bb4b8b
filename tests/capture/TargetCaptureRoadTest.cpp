#include <atomic>
#include <filesystem>
#include <fstream>
#include <latch>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "capture/CaptureModeRig.h"
#include "support/WithoutFileOverride.h"
#include "targets/FakeSlackServer.h"
#include "targets/ObsidianTarget.h"
#include "targets/SlackTarget.h"
#include "targets/TargetsDefaultsKeys.h"
#include "targets/TimeZoneScope.h"

// The capture road with the real Slack and Obsidian targets: the Slack
// picker's rows come from a fake Slack server on 127.0.0.1, and a failed
// capture keeps its text in the recovery log.

namespace qm::test {
namespace {

using Options = std::vector<PickerOption>;

constexpr const char* kToken = "xoxb-7-secret";

const PickerOption kGeneral{"C1", "#general"};
const PickerOption kRandom{"C2", "#random"};
const PickerOption kRanking{"C3", "#ranking"};
const PickerOption kAda{"U1", "@ada (Ada Lovelace)"};
const PickerOption kBob{"U2", "@bob"};

class TargetCaptureRoadTest : public CaptureModeRig {
protected:
    TargetCaptureRoadTest() : CaptureModeRig(Deferred{})
    {
        slack.script(
            FakeSlackServer::kChannels,
            {FakeSlackServer::json(FakeSlackServer::channelsPage({{"C1", "general"}}, "more")),
             FakeSlackServer::json(FakeSlackServer::channelsPage({{"C2", "random"}, {"C3", "ranking"}}))});
        slack.script(FakeSlackServer::kUsers,
                     {FakeSlackServer::json(FakeSlackServer::usersPage(
                         {{{"id", "U1"}, {"name", "ada"}, {"real_name", "Ada Lovelace"}},
                          {{"id", "B1"}, {"name", "deploybot"}, {"is_bot", true}},
                          {{"id", "U2"}, {"name", "bob"}}}))});
        slack.script(FakeSlackServer::kPost, {FakeSlackServer::body(R"({"ok":true})")});
        defaults.set(TargetsDefaultsKeys::obsidianVaultPath, vault.path().string());
        AppComposition::Options options = this->options();
        options.makeTargets = [this](const StandardCaptureTargets::Services& services) {
            note = std::make_shared<LocalNoteTarget>(services.clock, services.landing);
            obsidian = std::make_shared<ObsidianTarget>(services.defaults, services.clock, services.landing);
            slackTarget = std::make_shared<SlackTarget>(
                services.http, slack.apiHost(),
                [this](std::string_view, std::string_view) {
                    std::lock_guard lock(tokenMutex);
                    return storedToken;
                },
                services.clock, services.landing);
            return CaptureTargetRegistry({note, obsidian, slackTarget});
        };
        compose(std::move(options));
        focusField();
    }

    // The targets' server goes before the rig: nothing may still use it.
    ~TargetCaptureRoadTest() override { destroyApp(); }

    void setToken(std::optional<std::string> token)
    {
        std::lock_guard lock(tokenMutex);
        storedToken = std::move(token);
    }

    bool waitForPickerRows()
    {
        return waitFor([&] { return !router->pickerOptions().empty() || !router->isCaptureModeActive(); });
    }

    // Both threads of the background queue, where sends run, lose root's
    // permission override; false when it cannot be dropped.
    bool dropFileOverrideOnBackground()
    {
        std::latch started(2);
        std::latch finished(2);
        std::atomic<int> dropped{0};
        for (int i = 0; i < 2; ++i) {
            app().backgroundQueue().async([&] {
                started.arrive_and_wait();
                dropped += dropFileOverrideOnThisThread() ? 1 : 0;
                finished.count_down();
            });
        }
        finished.wait();
        return dropped == 2;
    }

    std::size_t listRequests() const
    {
        return slack.requestsTo(FakeSlackServer::kChannels).size() +
               slack.requestsTo(FakeSlackServer::kUsers).size();
    }

    TimeZoneScope zone{"UTC"};
    FakeSlackServer slack;
    std::mutex tokenMutex;
    std::optional<std::string> storedToken = std::string(kToken);
    TempDir vault;
    std::shared_ptr<SlackTarget> slackTarget;
    std::shared_ptr<ObsidianTarget> obsidian;
};

TEST_F(TargetCaptureRoadTest, SlackPickerFiltersConfirmsAndSends)
{
    openCapture("slack");
    ASSERT_TRUE(waitForPickerRows());
    EXPECT_EQ(router->pickerOptions(), (Options{kAda, kBob}));
    EXPECT_EQ(router->selectedOption(), kAda);

    typeInOverlay("#ra");
    EXPECT_EQ(router->pickerOptions(), (Options{kRandom, kRanking, kGeneral}));
    EXPECT_EQ(router->selectedOption(), kRandom);
    typeInOverlay("n");
    EXPECT_EQ(router->pickerOptions(), (Options{kRandom, kRanking}));
    typeInOverlay("k");
    EXPECT_EQ(router->pickerOptions(), (Options{kRanking}));

    // The first Return confirms the row and sends nothing.
    pressInOverlay("return");
    EXPECT_TRUE(router->isCaptureModeActive());
    EXPECT_TRUE(router->isTargetConfirmed());
    EXPECT_EQ(router->confirmedTarget(), kRanking);
    EXPECT_EQ(router->messageInput(), "");

    // Typing is the message now; the second Return sends it.
    typeInOverlay("ship it");
    EXPECT_TRUE(router->pickerOptions().empty());
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return historyEntries().size() == 1; }));

    const auto posts = slack.requestsTo(FakeSlackServer::kPost);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, R"({"channel":"C3","text":"ship it"})");
    EXPECT_EQ(posts[0].header("Authorization"), std::string("Bearer ") + kToken);
    EXPECT_TRUE(historyEntries().front().success);
    ASSERT_TRUE(waitFor([&] { return !openLoops().loops().empty(); }));
    EXPECT_EQ(openLoops().loops().front().receipt, "Slack · #ranking");
    EXPECT_EQ(openLoops().loops().front().appName, "Editor");
}

// Esc leaves the capture without posting; the next //slack starts over in
// the picker, with the rows kept from the first load.
TEST_F(TargetCaptureRoadTest, EscLeavesAndTheNextSlackCaptureStartsAtThePicker)
{
    openCapture("slack");
    ASSERT_TRUE(waitForPickerRows());
    const std::size_t loaded = listRequests();
    typeInOverlay("bo");
    pressInOverlay("return");
    ASSERT_EQ(router->confirmedTarget(), kBob);
    typeInOverlay("never sent");
    pressInOverlay("escape");
    EXPECT_FALSE(router->isCaptureModeActive());

    openCapture("slack");
    ASSERT_TRUE(waitForPickerRows());
    EXPECT_FALSE(router->isTargetConfirmed());
    EXPECT_EQ(router->messageInput(), "");
    EXPECT_EQ(router->pickerOptions(), (Options{kAda, kBob}));
    typeInOverlay("#gen");
    EXPECT_EQ(router->pickerOptions(), (Options{kGeneral}));
    pressInOverlay("escape");
    drainBackground();

    EXPECT_EQ(listRequests(), loaded);
    EXPECT_TRUE(slack.requestsTo(FakeSlackServer::kPost).empty());
    EXPECT_TRUE(historyEntries().empty());
}

TEST_F(TargetCaptureRoadTest, WithoutATokenTheCaptureEndsWithTheFix)
{
    setToken(std::nullopt);
    openCapture("slack");
    ASSERT_TRUE(waitFor([&] { return !notifications("PresentCaptureFailure").empty(); }));
    EXPECT_FALSE(router->isCaptureModeActive());
    const auto failures = notifications("PresentCaptureFailure");
    const UserInfo& info = failures.front().userInfo;
    EXPECT_EQ(info.get<std::string>("detail"), "Slack not connected — add a token in Settings");
    EXPECT_EQ(info.get<std::string>("field"), "slack");
    EXPECT_EQ(info.get<std::string>("actionTitle"), "Open Slack settings");
    EXPECT_EQ(slack.http.requestCount(), 0u);
}

TEST_F(TargetCaptureRoadTest, ARefusedPostKeepsTheLineInTheRecoveryLog)
{
    slack.script(FakeSlackServer::kPost, {FakeSlackServer::body(R"({"ok":false,"error":"is_archived"})")});
    openCapture("slack");
    ASSERT_TRUE(waitForPickerRows());
    pressInOverlay("return");
    typeInOverlay("hello ada");
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return !recoveryEntries().empty(); }));

    const auto entry = recoveryEntries().front();
    EXPECT_EQ(entry.target, "slack");
    EXPECT_EQ(entry.text, "hello ada");
    EXPECT_EQ(entry.errorDescription, "Slack API Error: is_archived");
    ASSERT_TRUE(waitFor([&] { return !notifications("PresentCaptureFailure").empty(); }));
    EXPECT_TRUE(openLoops().loops().empty());
}

// A daily note that can be neither appended to nor read as UTF-8 text stays
// as it is, and the line waits in the recovery log.
TEST_F(TargetCaptureRoadTest, AnUnreadableDailyNoteIsLeftAloneAndTheLineKept)
{
    std::filesystem::create_directories(vault / ".obsidian");
    const std::filesystem::path note = vault / "2023-11-14.md";
    std::ofstream(note, std::ios::binary) << "caf\xE9\n";
    ASSERT_EQ(::chmod(note.c_str(), 0444), 0);
    ASSERT_TRUE(dropFileOverrideOnBackground());

    openCapture("obsidian");
    typeInOverlay("call mom");
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return !recoveryEntries().empty(); }));

    const auto entry = recoveryEntries().front();
    EXPECT_EQ(entry.target, "obsidian");
    EXPECT_EQ(entry.text, "call mom");
    EXPECT_EQ(entry.errorDescription, "The daily note 2023-11-14.md could not be opened for writing, and its "
                                      "content could not be read as UTF-8 text, so it was left as it was.");
    ::chmod(note.c_str(), 0644);
    std::error_code error;
    EXPECT_EQ(file::readAll(note, error), "caf\xE9\n");
}

}  // namespace
}  // namespace qm::test
