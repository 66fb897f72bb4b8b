#include "targets/CalendarTarget.h"

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"
#include "targets/CalendarTargetError.h"
#include "targets/CaptureDateParser.h"
#include "targets/EventStoreTargetRig.h"

namespace qm::test {
namespace {

using Type = EventStoreEntityType;

CalendarTarget::AccessRequest accessThrough(EventStore::Factory stores)
{
    return [stores](std::function<void(bool)> answer) {
        stores()->requestFullAccessToEvents(
            [answer](bool granted, std::optional<PlatformError> error) { answer(granted && !error); });
    };
}

class CalendarTargetTest : public EventStoreTargetRig {
protected:
    CalendarTarget onFiles{vdir->factory(), accessThrough(vdir->factory()), loop, clock, landing,
                           stage.shutdown};
    CalendarTarget onStandIn{sim->factory(), accessThrough(sim->factory()), loop, clock, landing,
                             stage.shutdown};
};

TEST_F(CalendarTargetTest, LunchTomorrowIsAnHourLongEventInTheDefaultCalendarFile)
{
    EXPECT_EQ(onFiles.commandName(), "calendar");
    EXPECT_FALSE(onFiles.needsPicker());
    EXPECT_TRUE(onFiles.pickerOptions(CancellationToken()).empty());

    Log::Capture log;
    ASSERT_EQ(failureText(send(onFiles, "lunch tomorrow 12:30")), "<none>");
    EXPECT_EQ(vdirPrompts, 1);

    const auto texts = itemTexts("calendars");
    ASSERT_EQ(texts.size(), 1u);
    const std::string text = unfolded(texts[0]);
    EXPECT_NE(text.find("BEGIN:VEVENT"), std::string::npos);
    EXPECT_NE(text.find("\r\nSUMMARY:lunch\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nDTSTART;TZID=America/New_York:20231115T123000\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nDTEND;TZID=America/New_York:20231115T133000\r\n"), std::string::npos) << text;

    const double start = newYork(15, 12, 30);
    const std::string receipt = "Calendar · Calendar · " + CaptureDateParser::formatDateTime(start);
    EXPECT_EQ(hud, (std::vector<HudMessage>{{receipt, "calendar"}}));
    ASSERT_EQ(openLoops.loops().size(), 1u);
    EXPECT_EQ(openLoops.loops()[0].receipt, receipt);
    EXPECT_EQ(openLoops.loops()[0].revealPath, "/System/Applications/Calendar.app");
    EXPECT_EQ(openLoops.loops()[0].text, "lunch tomorrow 12:30");
    EXPECT_TRUE(log.contains("📅 CalendarTarget: Created event 'lunch' at 2023-11-15 17:30:00 +0000"));
}

TEST_F(CalendarTargetTest, ADayWithoutATimeStartsAtNineInTheNamedCalendar)
{
    sim->answerNextAccessPrompt(Type::event, true);
    sim->addCalendar({"work", "Work", Type::event, true});
    sim->setDefaultCalendar(Type::event, "work");
    ASSERT_EQ(failureText(send(onStandIn, "standup tomorrow")), "<none>");

    const auto events = sim->events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].title, "standup");
    EXPECT_EQ(events[0].startDate, newYork(15, 9, 0));
    EXPECT_EQ(events[0].endDate, newYork(15, 10, 0));
    EXPECT_TRUE(events[0].alarms.empty());
    EXPECT_EQ(hud.at(0).message, "Calendar · Work · " + CaptureDateParser::formatDateTime(newYork(15, 9, 0)));
}

TEST_F(CalendarTargetTest, FailuresSaveNothingAndConfirmNothing)
{
    const struct {
        const char* name;
        const char* text;
        std::function<void()> arrange;
        std::string error;
        std::size_t prompts;
    } cases[] = {
        {"empty text asks nothing", " ", [] {}, "Calendar text is empty. Try: standup tomorrow 2pm", 0},
        {"refused access, whatever the text", "standup tomorrow 2pm",
         [&] { sim->answerNextAccessPrompt(Type::event, false); },
         "Calendar access was denied. Grant access in System Settings → Privacy & Security → Calendars.", 1},
        {"no date, asked first", "standup",
         [&] { sim->setAuthorizationStatus(Type::event, EventStoreAuthorizationStatus::fullAccess); },
         "Could not find a date or time. Try: standup tomorrow 2pm", 1},
        {"no default calendar", "standup tomorrow 2pm", [] {},
         "No writable calendar found. Open the Calendar app and configure at least one calendar.", 1},
        {"the save fails", "standup tomorrow 2pm",
         [&] {
             sim->addCalendar({"home", "Home", Type::event, true});
             sim->setDefaultCalendar(Type::event, "home");
             sim->failNextSave(PlatformError("EKErrorDomain", 5, "The calendar database is locked."));
         },
         "The calendar database is locked.", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        Log::Capture log;
        EXPECT_EQ(failureText(send(onStandIn, c.text)), c.error);
        EXPECT_EQ(sim->accessPrompts().size(), c.prompts);
        EXPECT_TRUE(sim->events().empty());
        EXPECT_TRUE(hud.empty());
        EXPECT_FALSE(log.contains("CalendarTarget"));
    }
    EXPECT_EQ(CalendarTargetError(CalendarTargetError::permissionDenied).errorDescription(), cases[1].error);
}

}  // namespace
}  // namespace qm::test
