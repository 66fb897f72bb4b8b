#include "app/StatusMenuController.h"

#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/StatusMenuRig.h"
#include "base/Log.h"
#include "platform/notifications/Notification.h"

namespace qm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class StatusMenuControllerTest : public ::testing::Test {
protected:
    StatusMenuControllerTest()
    {
        sections = rig.platform.notificationCenter.addObserver(
            "SelectSettingsSection", nullptr, [this](const Notification& note) {
                calls.push_back("section " + note.userInfo.get<std::string>("section").value_or("?"));
            });
    }

    ~StatusMenuControllerTest() override { rig.platform.notificationCenter.removeObserver(sections); }

    StatusMenuController::Services services() { return menuRig.services("9.8.7"); }

    StatusMenuController::Hooks recordingHooks()
    {
        auto note = [this](std::string call) { return [this, call] { calls.push_back(call); }; };
        return StatusMenuController::Hooks{
            .openSettingsWindow = note("settings"),
            .checkForUpdatesManually = note("check"),
            .restartToUpdate = note("restart"),
            .pendingUpdateVersion = [this] { return pendingUpdate; },
            .terminate = note("terminate"),
        };
    }

    void park(const std::string& action, std::optional<std::string> revealPath = std::nullopt)
    {
        rig.app->records().openLoops().park("when home " + action, action, "note", "Saved", revealPath,
                                            HostCaptureContext{}, {});
    }

    // The row of the current menu with that title, submenus included.
    static std::optional<StatusMenuItem> find(const std::vector<StatusMenuItem>& items,
                                              const std::string& title)
    {
        for (const StatusMenuItem& item : items) {
            if (item.title == title) {
                return item;
            }
            if (auto inner = find(item.submenu, title)) {
                return inner;
            }
        }
        return std::nullopt;
    }

    StatusMenuRig menuRig;
    StandInApp& rig = menuRig.app;
    std::vector<std::string> calls;
    std::optional<std::string> pendingUpdate;
    NotificationCenter::ObserverToken sections;
};

TEST_F(StatusMenuControllerTest, InputsAreReadFromTheLiveServicesEachTime)
{
    StatusMenuController controller(services(), recordingHooks());
    StatusMenuInputs first = controller.currentInputs();
    EXPECT_EQ(first.shortVersion, "9.8.7");
    EXPECT_EQ(first.now, rig.platform.clock.now());
    EXPECT_EQ(first.stats.totalCount, 0);
    EXPECT_THAT(first.openLoops, IsEmpty());
    EXPECT_FALSE(first.revealTitle);
    EXPECT_FALSE(first.pendingUpdateVersion);
    EXPECT_FALSE(first.hasSelectedShortcut);

    rig.platform.desktop.trust().setTrusted(false);
    rig.app->history().record("note", "buy milk", true);
    rig.app->history().record("clip", "failed one", false);
    rig.platform.loop.runUntilIdle();
    park("call the plumber", "/home/someone/Documents/Quillmarker/Quick Capture.md");
    rig.platform.defaults.set("hasSelectedShortcut", true);
    pendingUpdate = "10.0";
    rig.platform.clock.advance(90);

    const StatusMenuInputs second = controller.currentInputs();
    EXPECT_FALSE(second.accessibilityTrusted);
    EXPECT_TRUE(second.hasSelectedShortcut);
    EXPECT_EQ(second.stats.totalCount, 1) << "only landed captures count";
    EXPECT_EQ(second.stats.lastTarget, "note");
    ASSERT_EQ(second.openLoops.size(), 1u);
    EXPECT_EQ(second.openLoops[0].action, "call the plumber");
    EXPECT_EQ(second.revealTitle, "Reveal Quick Capture.md");
    EXPECT_EQ(second.pendingUpdateVersion, "10.0");

    const StatusMenu menu = controller.currentMenu();
    EXPECT_TRUE(find(menu.items, "Capture needs Accessibility permission"));
    EXPECT_TRUE(find(menu.items, "Last: //note · 1 min. ago"))
        << "the stand-in clock's time, not the machine's";
    EXPECT_TRUE(find(menu.items, "⬆ Install update 10.0…"));
    rig.platform.desktop.trust().setTrusted(true);
    EXPECT_TRUE(find(controller.currentMenu().items, "Capture ready · Type // in any app"));
}

TEST_F(StatusMenuControllerTest, EachRowReachesItsHookOrPostsTheSettingsPage)
{
    pendingUpdate = "2.0";
    StatusMenuController controller(services(), recordingHooks());
    rig.platform.desktop.trust().setTrusted(false);
    struct Case {
        const char* title;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"Capture needs Accessibility permission", {"settings"}},
        {"⚠️ Setup Required: Choose Shortcut Key", {"settings"}},
        {"No captures yet · Open History", {"settings", "section History"}},
        {"⬆ Install update 2.0…", {"restart"}},
        {"Settings…", {"settings"}},
        {"Capture History…", {"settings", "section History"}},
        {"Scheduled Timers & Alarms…", {"settings", "section Scheduled"}},
        {"Check for Updates…", {"check"}},
        {"Quit Quillmarker", {"terminate"}},
        {"Quillmarker 9.8.7", {}},
    };
    const StatusMenu menu = controller.currentMenu();
    for (const Case& c : cases) {
        calls.clear();
        const auto item = find(menu.items, c.title);
        ASSERT_TRUE(item) << c.title;
        controller.perform(*item);
        EXPECT_EQ(calls, c.calls) << c.title;
    }
}

TEST_F(StatusMenuControllerTest, MarkDoneClosesTheLoopAndLeaveParkedKeepsIt)
{
    StatusMenuController controller(services(), recordingHooks());
    park("water the plants");
    auto done = find(controller.currentMenu().items, "Mark done");
    ASSERT_TRUE(done);

    controller.perform(*find(controller.currentMenu().items, "Leave parked"));
    EXPECT_EQ(controller.currentInputs().openLoops.size(), 1u);

    for (const char* unusable : {"", "not a uuid", "{1B4E28BA-2FA1-11D2-883F-0016D3CCA427}"}) {
        StatusMenuItem broken = *done;
        broken.representedObject = unusable;
        controller.perform(broken);
        EXPECT_EQ(controller.currentInputs().openLoops.size(), 1u) << unusable;
    }

    controller.perform(*done);
    EXPECT_THAT(controller.currentInputs().openLoops, IsEmpty());
    EXPECT_FALSE(find(controller.currentMenu().items, "water the plants"));
    EXPECT_FALSE(find(controller.currentMenu().items, "Open loops"));
    EXPECT_THAT(calls, IsEmpty());
}

TEST_F(StatusMenuControllerTest, RevealOpensTheLastCapturesFile)
{
    StatusMenuController controller(services(), recordingHooks());
    park("read the draft", "/home/someone/Documents/Quillmarker/Quick Capture.md");
    const auto reveal = find(controller.currentMenu().items, "Reveal Quick Capture.md");
    ASSERT_TRUE(reveal);
    controller.perform(*reveal);
    EXPECT_THAT(rig.platform.desktop.workspace().openedFiles(),
                ElementsAre("/home/someone/Documents/Quillmarker/Quick Capture.md"));
}

TEST_F(StatusMenuControllerTest, RowsWithoutTheirNeighbourSaySoInTheLog)
{
    StatusMenuController controller(services(), {});
    Log::Capture log;
    const StatusMenu menu = controller.currentMenu();
    for (const char* title : {"Settings…", "Check for Updates…", "Quit Quillmarker", "Capture History…"}) {
        controller.perform(*find(menu.items, title));
    }
    EXPECT_TRUE(log.contains("no settings window"));
    EXPECT_TRUE(log.contains("no update checker"));
    EXPECT_TRUE(log.contains("nothing to quit"));
    EXPECT_THAT(calls, ElementsAre("section History")) << "the page is still asked for";
    for (const auto& item : menu.items) {
        EXPECT_THAT(item.title, ::testing::Not(StartsWith("⬆"))) << "no checker, no pending update";
    }
}

}  // namespace
}  // namespace qm::test
