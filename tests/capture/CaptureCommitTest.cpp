#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "base/PlatformError.h"
#include "capture/CaptureModeRig.h"
#include "capture/CaptureNotifications.h"

namespace qm::test {
namespace {

using Call = SimCaptureOverlayPanel::Call;
using Sent = SendScript::Sent;

constexpr const char* kCalendarDenied =
    "Calendar access was denied. Grant access in System Settings → Privacy & Security → Calendars.";

class CaptureCommitTest : public CaptureModeRig {
protected:
    // The capture ended (the overlay hidden, the editor back in front) and nothing of it is left.
    void expectCaptureEnded()
    {
        EXPECT_FALSE(router->isCaptureModeActive());
        EXPECT_FALSE(router->isCapturePipelineBusyThreadSafe());
        EXPECT_EQ(router->currentTarget(), nullptr);
        EXPECT_EQ(router->messageInput(), "");
        EXPECT_FALSE(router->isTargetConfirmed());
        EXPECT_EQ(router->confirmedTarget(), std::nullopt);
        EXPECT_EQ(router->calcLivePreviewText(), std::nullopt);
        EXPECT_EQ(overlay()->calls().back().kind, Call::Kind::hide);
        EXPECT_TRUE(editor.isFrontmost());
        // Kept for the landing confirmation of a send still running.
        EXPECT_EQ(router->hostCaptureContext().appName, "Editor");
    }

    std::size_t hides() const
    {
        std::size_t count = 0;
        for (const auto& call : overlay()->calls()) {
            count += call.kind == Call::Kind::hide ? 1 : 0;
        }
        return count;
    }
};

TEST_F(CaptureCommitTest, ReturnWithoutACaptureDoesNothing)
{
    router->commitCapture();
    drainBackground();
    EXPECT_TRUE(boom->script.sent().empty());
    EXPECT_TRUE(notifications(CaptureNotifications::presentCaptureFailure).empty());
    EXPECT_TRUE(historyEntries().empty());
}

TEST_F(CaptureCommitTest, LineIsSentAsTypedAfterTheOverlayClosedAndRecorded)
{
    openCapture("boom");
    typeInOverlay("  call mom  ");
    boom->script.gate.close();
    Log::Capture log;
    pressInOverlay("return");

    // The target works while the host is back in front.
    ASSERT_TRUE(waitFor([&] { return boom->script.gate.hasWaiter(); }));
    expectCaptureEnded();
    boom->script.gate.open();
    ASSERT_TRUE(waitFor([&] { return historyEntries().size() == 1; }));

    EXPECT_EQ(boom->script.sent(), (std::vector<Sent>{{"  call mom  ", std::nullopt}}));
    const CaptureHistoryEntry entry = historyEntries().front();
    EXPECT_EQ(entry.target, "boom");
    EXPECT_EQ(entry.text, "call mom");
    EXPECT_TRUE(entry.success);
    EXPECT_TRUE(log.contains("✅ CaptureRouterController: Successfully sent capture to 'boom'"));
    EXPECT_TRUE(notifications(CaptureNotifications::presentCaptureFailure).empty());
    EXPECT_TRUE(recoveryEntries().empty());
    EXPECT_EQ(notificationChecks + calendarChecks, 0);
    EXPECT_TRUE(hud.empty());  // the router itself shows nothing on success
}

TEST_F(CaptureCommitTest, EmptyLineIsTheTargetsToJudgeAndRecordsNothing)
{
    openCapture("boom");
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return !boom->script.sent().empty(); }));
    drainBackground();
    EXPECT_EQ(boom->script.sent(), (std::vector<Sent>{{"", std::nullopt}}));
    EXPECT_TRUE(historyEntries().empty());
}

TEST_F(CaptureCommitTest, HighlightedRowGoesWithTheLineOfATargetWithoutAPicker)
{
    openCapture("boom");
    router->setSelectedOption(PickerOption{"C9", "#ops"});
    typeInOverlay("x");
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return !boom->script.sent().empty(); }));
    EXPECT_EQ(boom->script.sent(), (std::vector<Sent>{{"x", PickerOption{"C9", "#ops"}}}));
}

struct FailureCase {
    const char* name;
    const char* command;
    const char* typed;
    std::function<void(CaptureModeRig&)> arrange;
    std::string detail;
    bool sent;
    bool saved;
    const char* section;
    std::optional<std::string> field;
    const char* actionTitle;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class CaptureCommitFailureTest : public CaptureCommitTest,
                                 public ::testing::WithParamInterface<FailureCase> {};

// Whatever failed, the text survives: in the history as a failed attempt and
// in the recovery log, and the alert leads to the setting that fixes it.
TEST_P(CaptureCommitFailureTest, FailureKeepsTheTextAndAsksForTheAlert)
{
    const FailureCase& c = GetParam();
    c.arrange(*this);
    openCapture(c.command);
    typeInOverlay(c.typed);
    Log::Capture log;
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return !notifications(CaptureNotifications::presentCaptureFailure).empty(); }));
    drainBackground();

    expectCaptureEnded();
    const auto& script = std::string(c.command) == "boom"    ? boom->script
                         : std::string(c.command) == "timer" ? timer->script
                                                             : calendar->script;
    EXPECT_EQ(script.sent().size(), c.sent ? 1u : 0u);
    EXPECT_TRUE(log.contains("❌ CaptureRouterController: Failed to send capture to '" +
                             std::string(c.command) + "': " + c.detail));

    const auto failures = notifications(CaptureNotifications::presentCaptureFailure);
    ASSERT_EQ(failures.size(), 1u);
    const UserInfo& info = failures[0].userInfo;
    EXPECT_EQ(failures[0].object, nullptr);
    EXPECT_EQ(info.get<std::string>("command"), c.command);
    EXPECT_EQ(info.get<std::string>("detail"), c.detail);
    EXPECT_EQ(info.get<bool>("saved"), c.saved);
    EXPECT_EQ(info.get<std::string>("message"),
              "Capture failed: " + c.detail + (c.saved ? "\nSaved to local recovery log." : ""));
    EXPECT_EQ(info.get<std::string>("section"), c.section);
    EXPECT_EQ(info.get<std::string>("field"), c.field);
    EXPECT_EQ(info.contains("field"), c.field.has_value());
    EXPECT_EQ(info.get<std::string>("actionTitle"), c.actionTitle);

    const auto entries = historyEntries();
    const auto kept = recoveryEntries();
    if (c.saved) {
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].target, c.command);
        EXPECT_FALSE(entries[0].success);
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].text, text::trimmed(c.typed));
        EXPECT_EQ(kept[0].target, c.command);
        EXPECT_EQ(kept[0].errorDescription, c.detail);
    } else {
        EXPECT_TRUE(entries.empty());
        EXPECT_TRUE(kept.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureCommitFailureTest,
    ::testing::Values(
        FailureCase{"SendThrows", "boom", "call mom",
                    [](CaptureModeRig& rig) {
                        rig.boom->script.failWith(std::make_exception_ptr(
                            PlatformError("BoomTarget", 2, "The boom went off. Try: //boom later")));
                    },
                    "The boom went off. Try: //boom later", true, true, "Error Logs", std::nullopt,
                    "Show recovery log"},
        FailureCase{"BlankLineIsNotSaved", "boom", "   ",
                    [](CaptureModeRig& rig) {
                        rig.boom->script.failWith(
                            std::make_exception_ptr(std::runtime_error("Nothing to send.")));
                    },
                    "Nothing to send.", true, false, "Error Logs", std::nullopt, "Show recovery log"},
        FailureCase{"NotificationsNotAllowed", "timer", "25m tea",
                    [](CaptureModeRig& rig) {
                        rig.notificationError = std::make_exception_ptr(std::runtime_error(
                            "Notification permission was denied. Allow notifications in System Settings."));
                    },
                    "Notification permission was denied. Allow notifications in System Settings.", false,
                    true, "Privacy & Permissions", "notifications", "Open Notification settings"},
        // The library's "filesystem error: ..." wording never reaches the user.
        FailureCase{"FileSystemErrorIsToldInOurWords", "boom", "call mom",
                    [](CaptureModeRig& rig) {
                        rig.boom->script.failWith(std::make_exception_ptr(std::filesystem::filesystem_error(
                            "cannot open", "/srv/notes/inbox.md",
                            std::make_error_code(std::errc::not_a_directory))));
                    },
                    "Could not use /srv/notes/inbox.md: not a folder", true, true, "Error Logs", std::nullopt,
                    "Show recovery log"},
        FailureCase{"CalendarAccessRefused", "calendar", "lunch tomorrow at noon",
                    [](CaptureModeRig& rig) { rig.calendarGranted = false; }, kCalendarDenied, false, true,
                    "Privacy & Permissions", "calendar", "Open permissions"}),
    [](const auto& info) { return std::string(info.param.name); });

// The real calculator target: a clipboard that refuses the result is a failed
// capture whose line stays in the recovery log.
TEST_F(CaptureCommitTest, ARefusedClipboardWriteKeepsTheCalculation)
{
    pasteboard.setWritesFail(true);
    openCapture("calc");
    typeInOverlay("15% of 847");
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return !notifications(CaptureNotifications::presentCaptureFailure).empty(); }));
    drainBackground();

    const auto kept = recoveryEntries();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].text, "15% of 847");
    EXPECT_EQ(kept[0].target, "calc");
    EXPECT_EQ(kept[0].errorDescription, "Failed to write to the clipboard.");
    const auto entries = historyEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].success);
}

TEST_F(CaptureCommitTest, PermissionChecksBelongToTheirTargets)
{
    for (const char* command : {"timer", "calendar", "boom"}) {
        openCapture(command);
        typeInOverlay("x");
        pressInOverlay("return");
        ASSERT_TRUE(waitFor([&] { return !router->isCaptureModeActive(); }));
    }
    drainBackground();
    EXPECT_EQ(notificationChecks, 1);
    EXPECT_EQ(calendarChecks, 1);
    EXPECT_EQ(timer->script.sent().size() + calendar->script.sent().size() + boom->script.sent().size(), 3u);
}

// A cancel while the permission prompt is up does not stop the commit: once
// allowed, capture mode is ended once more and the line is sent.
TEST_F(CaptureCommitTest, CancelDuringThePermissionCheckStillSends)
{
    holdPermissionChecks = true;
    openCapture("timer");
    typeInOverlay("25m tea");
    pressInOverlay("return");
    ASSERT_TRUE(heldNotificationAnswer);
    EXPECT_TRUE(router->isCaptureModeActive());
    EXPECT_TRUE(overlay()->isShown());

    pressInOverlay("esc");
    expectCaptureEnded();
    EXPECT_EQ(hides(), 1u);

    heldNotificationAnswer(nullptr);
    ASSERT_TRUE(waitFor([&] { return historyEntries().size() == 1; }));
    EXPECT_EQ(timer->script.sent(), (std::vector<Sent>{{"25m tea", std::nullopt}}));
    EXPECT_EQ(hides(), 2u);
    EXPECT_TRUE(historyEntries().front().success);
}

TEST_F(CaptureCommitTest, EscCancelsWithoutSendingAndASecondCancelActivatesNothing)
{
    openCapture("boom");
    typeInOverlay("call mom");
    Log::Capture log;
    pressInOverlay("esc");
    expectCaptureEnded();
    EXPECT_TRUE(log.contains("⎋ CaptureRouterController: Canceled capture mode"));
    drainBackground();
    EXPECT_TRUE(boom->script.sent().empty());
    EXPECT_TRUE(historyEntries().empty());
    EXPECT_TRUE(recoveryEntries().empty());
    EXPECT_TRUE(notifications(CaptureNotifications::presentCaptureFailure).empty());

    // The passive side starts afresh: what follows in the host is plain typing.
    desktop.keyboard().type("te ");
    loop.runUntilIdle();
    EXPECT_EQ(field.value(), "buy milk te ");

    SimApplication other = desktop.addApplication("com.example.other", "Other");
    other.activate();
    router->cancelCapture();
    EXPECT_TRUE(other.isFrontmost());
}

// The recovery log cannot take the text: the log says so, and the alert
// neither says the text was saved nor leads to a log that does not hold it.
TEST_F(CaptureCommitTest, RecoveryLogThatCannotTakeTheTextIsNeverClaimed)
{
    const std::filesystem::path recoveryLog = app().recoveryLog().logFileURL();
    std::filesystem::create_directories(recoveryLog);  // a folder where the log belongs
    boom->script.failWith(std::make_exception_ptr(std::runtime_error("The boom went off.")));
    openCapture("boom");
    typeInOverlay("call mom");
    Log::Capture log;
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return !notifications(CaptureNotifications::presentCaptureFailure).empty(); }));
    drainBackground();

    EXPECT_TRUE(
        log.contains("❌ FallbackCaptureLogger: Could not keep the failed 'boom' capture: Could not use "
                     "the recovery log " +
                     recoveryLog.string() + ": something other than a file is there"));
    const UserInfo info = notifications(CaptureNotifications::presentCaptureFailure).front().userInfo;
    EXPECT_EQ(info.get<bool>("saved"), false);
    EXPECT_EQ(info.get<std::string>("message"), "Capture failed: The boom went off.");
    EXPECT_EQ(info.get<std::string>("detail"), "The boom went off.");
    EXPECT_FALSE(info.contains("actionTitle"));
    EXPECT_FALSE(info.contains("section"));
    ASSERT_EQ(historyEntries().size(), 1u);
    EXPECT_FALSE(historyEntries().front().success);
}

// Key repeat or a double press: the second Return arrives before the first
// commit's permission check has answered, and must not send the line again.
TEST_F(CaptureCommitTest, TwoReturnsInQuickSuccessionSendTheLineOnce)
{
    for (const char* command : {"boom", "timer"}) {
        SCOPED_TRACE(command);
        openCapture(command);
        typeInOverlay(std::string(command) == "boom" ? "call mom" : "25m tea");
        desktop.keyboard().press("return");
        desktop.keyboard().press("return");
        loop.runUntilIdle();
        ASSERT_TRUE(waitFor([&] { return !router->isCaptureModeActive(); }));
        drainBackground();
    }
    EXPECT_EQ(boom->script.sent(), (std::vector<Sent>{{"call mom", std::nullopt}}));
    EXPECT_EQ(timer->script.sent(), (std::vector<Sent>{{"25m tea", std::nullopt}}));
    EXPECT_EQ(notificationChecks, 1);
    EXPECT_TRUE(waitFor([&] { return historyEntries().size() == 2; }));
    drainBackground();
    EXPECT_EQ(historyEntries().size(), 2u);
}

// The user goes on to the next line while the first is still being sent. When
// that send fails, the first line goes to the recovery log and the alert, and
// the capture now open is left alone: its line is sent on its own Return.
TEST_F(CaptureCommitTest, FailingSendLeavesTheNextCaptureOpen)
{
    boom->script.failWith(std::make_exception_ptr(std::runtime_error("The boom went off.")));
    boom->script.gate.close();
    openCapture("boom");
    typeInOverlay("first line");
    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return boom->script.gate.hasWaiter(); }));

    openCapture("timer");
    typeInOverlay("second line");
    boom->script.gate.open();
    ASSERT_TRUE(waitFor([&] { return !notifications(CaptureNotifications::presentCaptureFailure).empty(); }));

    EXPECT_TRUE(router->isCaptureModeActive());
    EXPECT_TRUE(router->isCaptureModeActiveThreadSafe());
    ASSERT_NE(router->currentTarget(), nullptr);
    EXPECT_EQ(router->currentTarget()->commandName(), "timer");
    EXPECT_EQ(router->messageInput(), "second line");
    EXPECT_TRUE(overlay()->isShown());

    pressInOverlay("return");
    ASSERT_TRUE(waitFor([&] { return historyEntries().size() == 2; }));
    EXPECT_EQ(timer->script.sent(), (std::vector<Sent>{{"second line", std::nullopt}}));
    const auto kept = recoveryEntries();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].text, "first line");
    expectCaptureEnded();
}

// A capture opened after a cancel during the permission check is not closed
// when that check finally allows the send.
TEST_F(CaptureCommitTest, PermissionAnswerAfterANewCaptureOpenedLeavesItOpen)
{
    holdPermissionChecks = true;
    openCapture("timer");
    typeInOverlay("25m tea");
    pressInOverlay("return");
    ASSERT_TRUE(heldNotificationAnswer);
    pressInOverlay("esc");

    openCapture("boom");
    typeInOverlay("next");
    heldNotificationAnswer(nullptr);
    ASSERT_TRUE(waitFor([&] { return historyEntries().size() == 1; }));
    EXPECT_EQ(timer->script.sent(), (std::vector<Sent>{{"25m tea", std::nullopt}}));
    EXPECT_TRUE(router->isCaptureModeActive());
    EXPECT_EQ(router->messageInput(), "next");
    EXPECT_TRUE(overlay()->isShown());
}

// The event tap cancels on a tap disable; a trigger whose removal is still
// running then opens nothing when the removal ends.
TEST_F(CaptureCommitTest, CancelDuringTheTriggerRemovalOpensNoCapture)
{
    for (const char* attribute : {"AXSelectedTextRange", "AXSelectedText", "AXValue"}) {
        accessibility->refuseWrites(attribute);
    }
    poster.close();
    desktop.keyboard().type("//note ");
    ASSERT_TRUE(router->isCaptureTransitionThreadSafe());
    router->cancelCapture();
    EXPECT_FALSE(router->isCaptureTransitionThreadSafe());
    poster.open();
    ASSERT_TRUE(waitFor([&] { return field.value() == "buy milk "; }));
    EXPECT_FALSE(loop.runUntil([&] { return router->isCaptureModeActive(); }, 0.2));
    EXPECT_TRUE(enteredTargets().empty());
    EXPECT_TRUE(editor.isFrontmost());

    // The next trigger opens its capture as usual.
    desktop.keyboard().type("//note ");
    EXPECT_TRUE(waitForCaptureMode());
}

}  // namespace
}  // namespace qm::test
