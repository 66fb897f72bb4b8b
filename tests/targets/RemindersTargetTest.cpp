#include "targets/RemindersTarget.h"

#include <fstream>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"
#include "targets/EventStoreTargetRig.h"

namespace qm::test {
namespace {

using Type = EventStoreEntityType;

class RemindersTargetTest : public EventStoreTargetRig {
protected:
    void useInbox()
    {
        sim->addCalendar({"inbox", "Inbox", Type::reminder, true});
        sim->setDefaultCalendar(Type::reminder, "inbox");
    }

    RemindersTarget onFiles{vdir->factory(), loop, clock, landing, stage.shutdown};
    RemindersTarget onStandIn{sim->factory(), loop, clock, landing, stage.shutdown};
};

TEST_F(RemindersTargetTest, ADayWithoutATimeIsAnAllDayTodoWithoutAlarm)
{
    EXPECT_EQ(onFiles.commandName(), "reminders");
    EXPECT_FALSE(onFiles.needsPicker());
    EXPECT_TRUE(onFiles.pickerOptions(CancellationToken()).empty());

    Log::Capture log;
    ASSERT_EQ(failureText(send(onFiles, "submit report by friday")), "<none>");

    const auto texts = itemTexts("reminders");
    ASSERT_EQ(texts.size(), 1u);
    const std::string text = unfolded(texts[0]);
    EXPECT_NE(text.find("BEGIN:VTODO"), std::string::npos);
    EXPECT_NE(text.find("\r\nSUMMARY:submit report\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nDUE;VALUE=DATE:20231117\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("VALARM"), std::string::npos);

    EXPECT_EQ(hud, (std::vector<HudMessage>{{"Reminders · Reminders", std::nullopt}}));
    ASSERT_EQ(openLoops.loops().size(), 1u);
    EXPECT_EQ(openLoops.loops()[0].revealPath, "/System/Applications/Reminders.app");
    EXPECT_EQ(openLoops.loops()[0].text, "submit report by friday");
    EXPECT_TRUE(log.contains("📝 RemindersTarget: Successfully scheduled native macOS Reminder: 'submit "
                             "report' with due date: 2023-11-"));
}

TEST_F(RemindersTargetTest, DueDatesAndAlarmsFollowWhatTheLineNames)
{
    sim->answerNextAccessPrompt(Type::reminder, true);
    useInbox();
    ASSERT_EQ(failureText(send(onStandIn, "call mom tomorrow at 5pm")), "<none>");
    ASSERT_EQ(failureText(send(onStandIn, "buy milk")), "<none>");
    ASSERT_EQ(failureText(send(onStandIn, "tomorrow")), "<none>");

    const auto reminders = sim->reminders();
    ASSERT_EQ(reminders.size(), 3u);
    EXPECT_EQ(reminders[0].title, "call mom");
    EXPECT_EQ(reminders[0].dueDateComponents,
              (DateComponents{.year = 2023, .month = 11, .day = 15, .hour = 17, .minute = 0}));
    EXPECT_FALSE(reminders[0].dueDateIsAllDay);
    EXPECT_EQ(reminders[0].alarms, std::vector<EventStoreAlarm>{{newYork(15, 17, 0)}});

    EXPECT_EQ(reminders[1].title, "buy milk");
    EXPECT_EQ(reminders[1].dueDateComponents, std::nullopt);
    EXPECT_TRUE(reminders[1].alarms.empty());

    EXPECT_EQ(reminders[2].title, "Untitled");
    EXPECT_EQ(reminders[2].dueDateComponents, (DateComponents{.year = 2023, .month = 11, .day = 15}));
    EXPECT_TRUE(reminders[2].dueDateIsAllDay);
    EXPECT_TRUE(reminders[2].alarms.empty());

    EXPECT_EQ(hud.at(0), (HudMessage{"Reminders · Inbox", std::nullopt}));
    // Access is asked on every send; the user was prompted once.
    EXPECT_EQ(sim->accessPrompts().size(), 1u);
}

TEST_F(RemindersTargetTest, FailuresSaveNothingAndConfirmNothing)
{
    const struct {
        const char* name;
        std::function<void()> arrange;
        std::string error;
    } cases[] = {
        {"refused", [&] { sim->answerNextAccessPrompt(Type::reminder, false); },
         "Access to macOS Reminders was denied. Please grant access in System Settings -> Privacy & Security "
         "-> "
         "Reminders."},
        {"still refused", [] {},
         "Access to macOS Reminders was denied. Please grant access in System Settings -> Privacy & Security "
         "-> "
         "Reminders."},
        {"the request fails",
         [&] {
             sim->failNextAccessRequest(Type::reminder, PlatformError("EKErrorDomain", 5, "No database."));
         },
         "No database."},
        {"no default list",
         [&] { sim->setAuthorizationStatus(Type::reminder, EventStoreAuthorizationStatus::fullAccess); },
         "No default calendar found for Reminders. Please open the Reminders app and configure at least one "
         "list."},
        {"the save fails",
         [&] {
             useInbox();
             sim->failNextSave(PlatformError("EKErrorDomain", 5, "The database is locked."));
         },
         "The database is locked."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        EXPECT_EQ(failureText(send(onStandIn, "call mom tomorrow at 5pm")), c.error);
        EXPECT_TRUE(sim->reminders().empty());
        EXPECT_TRUE(hud.empty());
    }
    // Blank text: nothing is asked and nothing confirmed.
    const auto prompts = sim->accessPrompts().size();
    EXPECT_EQ(failureText(send(onStandIn, " \n\t")), "<none>");
    EXPECT_EQ(sim->accessPrompts().size(), prompts);
    EXPECT_TRUE(hud.empty());
}

TEST_F(RemindersTargetTest, AnItemThatCannotBeWrittenFailsClearly)
{
    std::filesystem::create_directories(vdirFolder / "reminders");
    {
        std::ofstream(vdirFolder / "reminders" / "default") << "in the way";
    }
    const std::string error = failureText(send(onFiles, "call mom tomorrow at 5pm"));
    EXPECT_NE(error.find((vdirFolder / "reminders" / "default").string()), std::string::npos) << error;
    EXPECT_TRUE(hud.empty());
}

}  // namespace
}  // namespace qm::test
