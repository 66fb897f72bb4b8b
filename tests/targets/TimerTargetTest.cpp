#include "targets/TimerTarget.h"

#include <gtest/gtest.h>

#include "base/Log.h"
#include "targets/CaptureDateParser.h"
#include "targets/DurationParserError.h"
#include "targets/NotificationSchedulerError.h"
#include "targets/SchedulingTargetRig.h"

namespace qm::test {
namespace {

class TimerTargetTest : public SchedulingTargetRig {
protected:
    TimerTarget target{stage.scheduler, loop, landing, stage.shutdown};
};

TEST_F(TimerTargetTest, ALabelledTimerIsScheduledAndConfirmed)
{
    EXPECT_EQ(target.commandName(), "timer");
    EXPECT_FALSE(target.needsPicker());
    EXPECT_TRUE(target.pickerOptions(CancellationToken()).empty());

    Log::Capture log;
    const double now = clock.now();
    ASSERT_EQ(failureText(send(target, "  25m tea \n")), "<none>");

    const auto pending = notifications.pendingRequests();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].content.categoryIdentifier, "QUILLMRKER_TIMER");
    EXPECT_EQ(pending[0].content.title, "Timer finished");
    EXPECT_EQ(pending[0].content.body, "tea");
    EXPECT_EQ(pending[0].trigger->timeInterval(), 1500);
    EXPECT_EQ(pending[0].trigger->nextTriggerDate(now), now + 1500);
    EXPECT_EQ(pending[0].identifier.size(), 36u);

    // 17:38 in New York.
    EXPECT_EQ(CaptureDateParser::formatTime(now + 1500).substr(0, 4), "5:38");
    const std::string receipt = "Timer set — fires at " + CaptureDateParser::formatTime(now + 1500);
    EXPECT_EQ(hud, (std::vector<HudMessage>{{receipt, "timer"}}));
    EXPECT_EQ(openLoops.lastReceipt(), receipt);
    EXPECT_TRUE(openLoops.loops().empty());
    EXPECT_TRUE(log.contains(
        "⏱️ TimerTarget: Scheduled timer for 25m (tea), fireDate=2023-11-14 22:38:20 +0000"));

    // The fallback echoes it on the HUD when it comes due.
    loop.advance(1500);
    EXPECT_EQ(hud.back(), (HudMessage{"tea", "timer"}));
}

TEST_F(TimerTargetTest, WithoutALabelTheLogSaysSo)
{
    Log::Capture log;
    ASSERT_EQ(failureText(send(target, "25m")), "<none>");
    EXPECT_EQ(notifications.pendingRequests().at(0).content.body, "Your timer is done");
    EXPECT_TRUE(log.contains("⏱️ TimerTarget: Scheduled timer for 25m (no label), fireDate="));
}

TEST_F(TimerTargetTest, ParserAndPermissionErrorsPassThroughAndScheduleNothing)
{
    const struct {
        const char* text;
        std::function<void()> arrange;
        std::string error;
    } cases[] = {
        {"", [] {}, DurationParserError(DurationParserError::emptyInput).what()},
        {"30s", [] {}, DurationParserError(DurationParserError::belowMinimum).what()},
        {"25m tea",
         [&] { notifications.setAuthorizationStatus(UserNotificationSettings::AuthorizationStatus::denied); },
         NotificationSchedulerError(NotificationSchedulerError::permissionDenied).what()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        c.arrange();
        Log::Capture log;
        EXPECT_EQ(failureText(send(target, c.text)), c.error);
        EXPECT_TRUE(notifications.pendingRequests().empty());
        EXPECT_TRUE(hud.empty());
        EXPECT_FALSE(log.contains("TimerTarget"));
    }
}

}  // namespace
}  // namespace qm::test
