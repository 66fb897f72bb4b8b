#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CaptureTargetRegistry.h"
#include "targets/AlarmTarget.h"
#include "targets/CalcTarget.h"
#include "targets/CalendarTarget.h"
#include "targets/ClipboardTarget.h"
#include "targets/LocalNoteTarget.h"
#include "targets/LogseqTarget.h"
#include "targets/ObsidianTarget.h"
#include "targets/RemindersTarget.h"
#include "targets/SlackTarget.h"
#include "targets/TargetUnavailableError.h"
#include "targets/TimerTarget.h"

namespace qm {
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

TEST(CaptureTargetRegistryTest, TenTargetsInTheirFixedOrder)
{
    const auto registry = CaptureTargetRegistry::standard();
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

TEST(CaptureTargetRegistryTest, EachStandardRegistryHasItsOwnTargets)
{
    const auto first = CaptureTargetRegistry::standard();
    const auto second = CaptureTargetRegistry::standard();
    EXPECT_NE(first.targets().front(), second.targets().front());
    EXPECT_EQ(CaptureTargetRegistry({nullptr, first.targets()[2], nullptr}).size(), 1u);
}

// Targets whose delivery is not in this build fail with a sentence for the
// user, in an error domain named after the target's type.
TEST(CaptureTargetRegistryTest, UnavailableTargetsFailClearly)
{
    const auto registry = CaptureTargetRegistry::standard();
    for (std::size_t i = 0; i < registry.size(); ++i) {
        CaptureTarget& target = *registry.targets()[i];
        const std::string command = target.commandName();
        // These deliver (LocalNoteTargetTest, ClipboardTargetTest, ObsidianTargetTest, SlackTargetTest,
        // LogseqTargetTest).
        const bool delivers = command == "note" || command == "copy" || command == "obsidian" ||
                              command == "slack" || command == "logseq";
        try {
            if (!delivers) {
                target.send("buy milk", std::nullopt);
                ADD_FAILURE() << command << " claimed to deliver";
            }
        } catch (const TargetUnavailableError& error) {
            EXPECT_EQ(error.domain(), kTable[i].typeName);
            EXPECT_EQ(std::string(error.what()), "The //" + command + " target is not available yet.");
        }
        const auto options = target.pickerOptions(CancellationToken());
        if (target.needsPicker()) {
            // The test's secret store holds no Slack token: the picker says so and fetches nothing.
            ASSERT_EQ(options.size(), 1u);
            EXPECT_EQ(options[0].id, "error");
            EXPECT_EQ(options[0].displayName, "⚠️ Slack not connected — add a token in Settings");
        } else {
            EXPECT_TRUE(options.empty()) << command;
        }
    }
}

TEST(PickerOptionTest, EqualAndHashedOverBothFields)
{
    const PickerOption general{"C1", "#general"};
    EXPECT_EQ(general, (PickerOption{"C1", "#general"}));
    EXPECT_NE(general, (PickerOption{"C1", "#random"}));
    EXPECT_NE(general, (PickerOption{"C2", "#general"}));
    EXPECT_EQ(std::hash<PickerOption>{}(general), std::hash<PickerOption>{}(PickerOption{"C1", "#general"}));
    EXPECT_NE(std::hash<PickerOption>{}(general), std::hash<PickerOption>{}(PickerOption{"#general", "C1"}));
}

}  // namespace
}  // namespace qm
