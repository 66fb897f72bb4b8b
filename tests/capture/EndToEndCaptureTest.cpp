#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/FileUtil.h"
#include "capture/CaptureModeRig.h"
#include "capture/CaptureNotifications.h"
#include "capture/EventTapManager.h"

namespace qm::test {
namespace {

using Call = SimCaptureOverlayPanel::Call;
using Kinds = std::vector<Call::Kind>;

// A whole capture on the stand-in desktop: the keyboard, the real event tap in
// front of the capture router, the trigger removal, the overlay (whose message
// field gets the keys once this program is in front), the real note and
// clipboard targets, the capture history, the recovery log and the landing.
class EndToEndCaptureTest : public CaptureModeRig {
protected:
    EndToEndCaptureTest() : manager(app().eventTapManager())
    {
        tap.reset();  // the rig's own stand-in for the event tap
        manager.start();
        EXPECT_TRUE(waitFor([&] { return manager.eventTap() != nullptr; }));
    }

    // Types the trigger and its terminator in the host and waits for the overlay.
    void trigger(const std::string& command)
    {
        desktop.keyboard().type("//" + command);
        desktop.keyboard().press("space");
        ASSERT_TRUE(waitFor([&] { return router->isCaptureModeActive(); }));
        EXPECT_EQ(field.value(), "buy milk ");
        EXPECT_TRUE(desktop.ownApplication().isFrontmost());
    }

    Kinds panelCalls() const
    {
        Kinds kinds;
        for (const auto& call : overlay()->calls()) {
            kinds.push_back(call.kind);
        }
        return kinds;
    }

    EventTapManager& manager;
};

TEST_F(EndToEndCaptureTest, NoteLandsInTheQuickCaptureFile)
{
    trigger("note");
    desktop.keyboard().type("call mom");
    desktop.keyboard().press("return");
    ASSERT_TRUE(waitFor([&] { return historyEntries().size() == 1 && !openLoops().loops().empty(); }));

    std::error_code error;
    EXPECT_EQ(file::readAll(noteFile(), error), "# Quick Capture\n\n- [22:13] call mom\n");
    const CaptureHistoryEntry entry = historyEntries().front();
    EXPECT_EQ(entry.target, "note");
    EXPECT_EQ(entry.text, "call mom");
    EXPECT_TRUE(entry.success);

    ASSERT_EQ(openLoops().loops().size(), 1u);
    const OpenLoop& parked = openLoops().loops().front();
    EXPECT_EQ(parked.text, "call mom");
    EXPECT_EQ(parked.target, "note");
    EXPECT_EQ(parked.receipt, "Quick Capture.md");
    EXPECT_EQ(parked.appName, "Editor");
    EXPECT_EQ(parked.windowTitle, "Draft");
    EXPECT_EQ(openLoops().lastRevealPath(), noteFile().string());
    EXPECT_EQ(hud, (std::vector<HudMessage>{{"Quick Capture.md", std::nullopt}}));

    EXPECT_EQ(panelCalls(), (Kinds{Call::Kind::update, Call::Kind::show, Call::Kind::hide}));
    EXPECT_FALSE(router->isCapturePipelineBusyThreadSafe());
    EXPECT_TRUE(editor.isFrontmost());
    EXPECT_EQ(field.value(), "buy milk ");
    EXPECT_TRUE(recoveryEntries().empty());
    EXPECT_TRUE(notifications(CaptureNotifications::presentCaptureFailure).empty());
}

TEST_F(EndToEndCaptureTest, CopyPutsTheLineOnThePasteboard)
{
    trigger("copy");
    desktop.keyboard().type("call mom");
    desktop.keyboard().press("return");
    ASSERT_TRUE(waitFor([&] { return historyEntries().size() == 1 && !hud.empty(); }));

    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{std::string(Pasteboard::typeString)});
    EXPECT_EQ(pasteboard.string(Pasteboard::typeString), "call mom");
    EXPECT_TRUE(historyEntries().front().success);
    EXPECT_EQ(hud, (std::vector<HudMessage>{{"Copied", std::nullopt}}));
    EXPECT_TRUE(openLoops().loops().empty());
    EXPECT_EQ(openLoops().lastReceipt(), "Copied");
    EXPECT_EQ(field.value(), "buy milk ");
    EXPECT_TRUE(editor.isFrontmost());
}

TEST_F(EndToEndCaptureTest, RefusedPasteboardFailsTheCaptureAndKeepsTheText)
{
    pasteboard.setWritesFail(true);
    trigger("copy");
    desktop.keyboard().type("call mom");
    desktop.keyboard().press("return");
    ASSERT_TRUE(waitFor([&] { return !notifications(CaptureNotifications::presentCaptureFailure).empty(); }));
    drainBackground();

    const auto entries = historyEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].target, "copy");
    EXPECT_FALSE(entries[0].success);
    const auto kept = recoveryEntries();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].text, "call mom");
    EXPECT_EQ(kept[0].target, "copy");
    EXPECT_EQ(kept[0].errorDescription, "Failed to write to the clipboard.");

    const auto failures = notifications(CaptureNotifications::presentCaptureFailure);
    ASSERT_EQ(failures.size(), 1u);
    const UserInfo& info = failures.front().userInfo;
    EXPECT_EQ(info.get<std::string>("command"), "copy");
    EXPECT_EQ(info.get<std::string>("detail"), "Failed to write to the clipboard.");
    EXPECT_EQ(info.get<bool>("saved"), true);
    EXPECT_EQ(info.get<std::string>("message"),
              "Capture failed: Failed to write to the clipboard.\nSaved to local recovery log.");
    EXPECT_EQ(info.get<std::string>("section"), "Error Logs");
    EXPECT_EQ(info.get<std::string>("actionTitle"), "Show recovery log");
    EXPECT_FALSE(info.contains("field"));
    EXPECT_TRUE(hud.empty());
    EXPECT_EQ(field.value(), "buy milk ");
}

TEST_F(EndToEndCaptureTest, EscCancelsAndTheHostTypesOn)
{
    trigger("note");
    desktop.keyboard().type("call mom");
    desktop.keyboard().press("esc");
    ASSERT_TRUE(waitFor([&] { return !router->isCaptureModeActive(); }));
    drainBackground();

    EXPECT_EQ(panelCalls(), (Kinds{Call::Kind::update, Call::Kind::show, Call::Kind::hide}));
    EXPECT_FALSE(router->isCapturePipelineBusyThreadSafe());
    EXPECT_TRUE(editor.isFrontmost());
    EXPECT_FALSE(std::filesystem::exists(noteFile()));
    EXPECT_TRUE(historyEntries().empty());
    EXPECT_TRUE(recoveryEntries().empty());

    desktop.keyboard().type("x");
    loop.runUntilIdle();
    EXPECT_EQ(field.value(), "buy milk x");
}

}  // namespace
}  // namespace qm::test
