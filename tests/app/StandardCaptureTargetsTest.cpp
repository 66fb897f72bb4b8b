#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "app/StandardCaptureTargets.h"
#include "support/StandInRecords.h"
#include "targets/AlarmTarget.h"
#include "targets/CalcTarget.h"
#include "targets/CalendarTarget.h"
#include "targets/ClipboardTarget.h"
#include "targets/LocalNoteTarget.h"
#include "targets/LogseqTarget.h"
#include "targets/ObsidianTarget.h"
#include "targets/RemindersTarget.h"
#include "targets/SlackTarget.h"
#include "targets/TimerTarget.h"

namespace qm::test {
namespace {

struct Registered {
    const char* command;
    const std::type_info& type;
    const char* typeName;
    bool needsPicker;
};

const Registered kTable[] = {
    {"note", typeid(LocalNoteTarget), "LocalNoteTarget", false},
    {"reminders", typeid(RemindersTarget), "RemindersTarget", false},
    {"copy", typeid(ClipboardTarget), "ClipboardTarget", false},
    {"timer", typeid(TimerTarget), "TimerTarget", false},
    {"calc", typeid(CalcTarget), "CalcTarget", false},
    {"alarm", typeid(AlarmTarget), "AlarmTarget", false},
    {"calendar", typeid(CalendarTarget), "CalendarTarget", false},
    {"obsidian", typeid(ObsidianTarget), "ObsidianTarget", false},
    {"slack", typeid(SlackTarget), "SlackTarget", true},
    {"logseq", typeid(LogseqTarget), "LogseqTarget", false},
};

class StandardCaptureTargetsTest : public ::testing::Test {
protected:
    StandInRecords stage;
};

TEST_F(StandardCaptureTargetsTest, TenTargetsInTheirFixedOrder)
{
    const auto registry = stage.standardTargets();
    ASSERT_EQ(registry.size(), std::size(kTable));
    for (std::size_t i = 0; i < registry.size(); ++i) {
        const CaptureTarget& target = *registry.targets()[i];
        EXPECT_EQ(target.commandName(), kTable[i].command) << i;
        EXPECT_EQ(typeid(target), kTable[i].type) << i;
        EXPECT_EQ(target.needsPicker(), kTable[i].needsPicker) << kTable[i].command;
        EXPECT_EQ(registry.target(kTable[i].command), registry.targets()[i]);
    }
    EXPECT_EQ(registry.target("Note"), nullptr);
    EXPECT_EQ(registry.target("notes"), nullptr);
}

TEST_F(StandardCaptureTargetsTest, EachTableHasItsOwnTargets)
{
    const auto first = stage.standardTargets();
    const auto second = stage.standardTargets();
    EXPECT_NE(first.targets().front(), second.targets().front());
    EXPECT_EQ(CaptureTargetRegistry({nullptr, first.targets()[2], nullptr}).size(), 1u);
}

TEST_F(StandardCaptureTargetsTest, OnlyTheSlackTargetHasAPicker)
{
    const auto registry = stage.standardTargets();
    for (const auto& target : registry.targets()) {
        const auto options = target->pickerOptions(CancellationToken());
        if (target->needsPicker()) {
            // The test's secret store holds no Slack token: the picker says so and fetches nothing.
            ASSERT_EQ(options.size(), 1u);
            EXPECT_EQ(options[0].id, "error");
            EXPECT_EQ(options[0].displayName, "⚠️ Slack not connected — add a token in Settings");
        } else {
            EXPECT_TRUE(options.empty()) << target->commandName();
        }
    }
}

}  // namespace
}  // namespace qm::test
