#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/desktop/DesktopFixture.h"

namespace qm::test {
namespace {

class WorkspaceTest : public DesktopFixture {
protected:
    WorkspaceTest()
    {
        token = desktop.workspace().notificationCenter().addObserver(
            std::string(Workspace::didActivateApplicationNotification), nullptr,
            [this](const Notification& n) {
                activated.push_back(
                    n.userInfo.get<RunningApplication>(std::string(Workspace::applicationUserInfoKey))
                        .value_or(RunningApplication{}));
                onMainThread = onMainThread && loop.isMainThread();
            });
        loop.runUntilIdle();
        activated.clear();
    }
    ~WorkspaceTest() override { desktop.workspace().notificationCenter().removeObserver(token); }

    NotificationCenter::ObserverToken token;
    std::vector<RunningApplication> activated;
    bool onMainThread = true;
};

TEST_F(WorkspaceTest, ActivationChangesTheFrontmostAtOnceAndNotifiesOnTheMainLoop)
{
    SimApplication notes = desktop.addApplication("com.example.notes", "Notes");
    EXPECT_EQ(desktop.workspace().frontmostApplication(), editor.runningApplication());

    ASSERT_TRUE(desktop.workspace().activate(notes.pid()));
    EXPECT_EQ(desktop.workspace().frontmostApplication(), notes.runningApplication());
    EXPECT_TRUE(activated.empty());
    loop.runUntilIdle();
    ASSERT_EQ(activated.size(), 1u);
    EXPECT_EQ(activated[0], (RunningApplication{notes.pid(), "com.example.notes", "Notes"}));
    EXPECT_TRUE(onMainThread);

    // Activating the frontmost application again posts nothing.
    EXPECT_TRUE(notes.activate());
    loop.runUntilIdle();
    EXPECT_EQ(activated.size(), 1u);

    notes.terminate();
    EXPECT_FALSE(desktop.workspace().activate(notes.pid()));
    EXPECT_FALSE(desktop.workspace().frontmostApplication());
    loop.runUntilIdle();
    EXPECT_EQ(activated.size(), 1u);
}

TEST_F(WorkspaceTest, RunningApplicationsIncludeThisProgramAndNamelessOnes)
{
    SimApplication helper = desktop.addApplication(std::nullopt, std::nullopt);
    const RunningApplication self = desktop.workspace().currentApplication();
    EXPECT_EQ(self.bundleIdentifier, "com.quillmarker.app");
    EXPECT_EQ(self.localizedName, "Quillmarker");

    const auto running = desktop.workspace().runningApplications();
    EXPECT_EQ(running, (std::vector<RunningApplication>{
                           self, editor.runningApplication(), {helper.pid(), std::nullopt, std::nullopt}}));
    helper.activate();
    EXPECT_EQ(desktop.workspace().frontmostApplication(),
              (RunningApplication{helper.pid(), std::nullopt, std::nullopt}));

    // The program's own activation is an activation like any other.
    desktop.ownApplication().activate();
    loop.runUntilIdle();
    ASSERT_EQ(activated.size(), 2u);
    EXPECT_EQ(activated.back(), self);
}

TEST_F(WorkspaceTest, FrontmostApplicationCanBeAskedFromAnyThread)
{
    SimApplication notes = desktop.addApplication("com.example.notes", "Notes");
    std::atomic<int> seenEditorOrNotes{0};
    std::thread reader([&] {
        for (int i = 0; i < 200; ++i) {
            const auto front = desktop.workspace().frontmostApplication();
            if (front &&
                (front->processIdentifier == notes.pid() || front->processIdentifier == editor.pid())) {
                ++seenEditorOrNotes;
            }
        }
    });
    for (int i = 0; i < 100; ++i) {
        (i % 2 ? editor : notes).activate();
    }
    reader.join();
    EXPECT_EQ(seenEditorOrNotes.load(), 200);
    loop.runUntilIdle();
    EXPECT_EQ(activated.size(), 100u);
}

TEST_F(WorkspaceTest, OpeningLinksAndFilesIsRecordedInOrderWithTheScriptedOutcome)
{
    Workspace& workspace = desktop.workspace();
    EXPECT_TRUE(
        workspace.openURL("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
    EXPECT_TRUE(workspace.openFile("/tmp/update.dmg"));
    desktop.workspace().setOpenSucceeds(false);
    EXPECT_FALSE(workspace.openURL("https://example.com"));
    EXPECT_FALSE(workspace.openFile("/tmp/other.dmg"));
    workspace.activateFileViewerSelecting({"/tmp/fallback_captures.log"});

    EXPECT_EQ(desktop.workspace().openedURLs(),
              (std::vector<std::string>{
                  "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility",
                  "https://example.com"}));
    EXPECT_EQ(desktop.workspace().openedFiles(),
              (std::vector<std::string>{"/tmp/update.dmg", "/tmp/other.dmg"}));
    EXPECT_EQ(desktop.workspace().revealedSelections(),
              (std::vector<std::vector<std::string>>{{"/tmp/fallback_captures.log"}}));
}

}  // namespace
}  // namespace qm::test
