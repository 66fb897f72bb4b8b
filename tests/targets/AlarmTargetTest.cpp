#include "targets/AlarmTarget.h"

#include <gtest/gtest.h>

#include "base/Log.h"
#include "targets/AlarmTargetError.h"
#include "targets/CaptureDateParser.h"
#include "targets/SchedulingTargetRig.h"

namespace qm::test {
namespace {

class AlarmTargetTest : public SchedulingTargetRig {
protected:
    AlarmTarget target{stage.scheduler, loop, clock, landing, stage.shutdown};
};

TEST_F(AlarmTargetTest, FiresAtTheNextSevenThirty)
{
    EXPECT_EQ(target.commandName(), "alarm");
    EXPECT_FALSE(target.needsPicker());
    EXPECT_TRUE(target.pickerOptions(CancellationToken()).empty());

    Log::Capture log;
    ASSERT_EQ(failureText(send(target, "7:30am take meds")), "<none>");

    // 07:30 today has passed at 17:13: tomorrow morning.
    const double fire = newYork(15, 7, 30);
    const auto pending = notifications.pendingRequests();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].content.categoryIdentifier, "QUILLMRKER_ALARM");
    EXPECT_EQ(pending[0].content.title, "Alarm");
    EXPECT_EQ(pending[0].content.body, "take meds");
    EXPECT_EQ(pending[0].trigger->nextTriggerDate(clock.now()), fire);

    const std::string receipt = "Alarm set — " + CaptureDateParser::formatDateTime(fire);
    EXPECT_EQ(receipt.rfind("Alarm set — Nov 15, 2023, 7:30", 0), 0u) << receipt;
    EXPECT_EQ(hud, (std::vector<HudMessage>{{receipt, "alarm"}}));
    EXPECT_TRUE(openLoops.loops().empty());
    EXPECT_TRUE(log.contains("⏰ AlarmTarget: Scheduled alarm for 2023-11-15 12:30:00 +0000 — 'take meds'"));

    loop.advance(fire - clock.now());
    EXPECT_EQ(notifications.deliveredNotifications().size(), 1u);
    EXPECT_EQ(hud.back(), (HudMessage{"take meds", "alarm"}));
}

TEST_F(AlarmTargetTest, LinesWithoutAUsableTimeScheduleNothing)
{
    const struct {
        const char* text;
        std::string error;
    } cases[] = {
        {" \n", "Alarm text is empty. Try: 7:30am take meds"},
        {"take meds", "Could not find a date or time. Try: 7:30am take meds or tomorrow 9am standup"},
        {"tomorrow", "Alarm needs a specific time. Try: tomorrow 9am take meds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(failureText(send(target, c.text)), c.error);
    }
    EXPECT_EQ(AlarmTargetError(AlarmTargetError::noDateTime).errorDescription(), cases[1].error);
    EXPECT_TRUE(notifications.pendingRequests().empty());
    EXPECT_TRUE(hud.empty());
}

}  // namespace
}  // namespace qm::test
