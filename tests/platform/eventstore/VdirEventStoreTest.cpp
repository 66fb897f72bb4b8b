#include "platform/linux/eventstore/VdirEventStoreBackend.h"

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <libical/ical.h>

#include "base/Calendar.h"
#include "base/FileUtil.h"
#include "base/Text.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "support/TempDir.h"
#include "targets/TimeZoneScope.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Type = EventStoreEntityType;
using Status = EventStoreAuthorizationStatus;

std::string readFile(const fs::path& path)
{
    std::error_code error;
    return file::readAll(path, error).value_or("<unreadable>");
}

std::vector<fs::path> icsFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); ++it) {
        if (it->path().extension() == ".ics") {
            files.push_back(it->path());
        }
    }
    return files;
}

// The content lines of an iCalendar text, as written (before unfolding).
std::vector<std::string> physicalLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CRLF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string unfolded(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\r\n ") == 0) {
            i += 2;
            continue;
        }
        result += text[i];
    }
    return result;
}

// A collection folder under a private folder, on the manual clock, in New
// York; access prompts are answered as the test scripts them.
class VdirEventStoreTest : public ::testing::Test {
protected:
    std::shared_ptr<VdirEventStoreBackend> makeBackend()
    {
        return std::make_shared<VdirEventStoreBackend>(
            loop, clock,
            VdirEventStoreBackend::Configuration{
                .folder = folder.path(),
                .accessFile = folder / "eventstore-access.json",
                .askForAccess =
                    [this](Type type, std::function<void(bool)> answer) {
                        prompts.push_back(type);
                        ASSERT_FALSE(answers.empty()) << "an access prompt nobody scripted";
                        const bool allow = answers.front();
                        answers.pop_front();
                        answer(allow);
                    },
            });
    }

    bool request(EventStore& store, Type type)
    {
        std::optional<bool> granted;
        if (type == Type::event) {
            store.requestFullAccessToEvents(
                [&](bool answer, std::optional<PlatformError>) { granted = answer; });
        } else {
            store.requestFullAccessToReminders(
                [&](bool answer, std::optional<PlatformError>) { granted = answer; });
        }
        loop.runUntilIdle();
        EXPECT_TRUE(granted.has_value());
        return granted.value_or(false);
    }

    void grantBoth(EventStore& store)
    {
        answers = {true, true};
        ASSERT_TRUE(request(store, Type::event));
        ASSERT_TRUE(request(store, Type::reminder));
    }

    double newYork(int day, int hour, int minute)
    {
        return *Calendar::current().date(
            DateComponents{.year = 2023, .month = 11, .day = day, .hour = hour, .minute = minute});
    }

    TimeZoneScope zone{"America/New_York"};
    TempDir folder;
    SimClock clock;
    SimMainLoop loop{clock};
    std::deque<bool> answers;
    std::vector<Type> prompts;
    std::shared_ptr<VdirEventStoreBackend> backend = makeBackend();
    std::unique_ptr<EventStore> store = backend->makeStore();
};

TEST_F(VdirEventStoreTest, AccessIsAskedOnceAndRemembered)
{
    EXPECT_EQ(store->authorizationStatus(Type::reminder), Status::notDetermined);
    EXPECT_EQ(store->defaultCalendarForNewReminders(), std::nullopt);
    answers = {true, false};
    EXPECT_TRUE(request(*store, Type::reminder));
    EXPECT_FALSE(request(*store, Type::event));
    EXPECT_TRUE(request(*store, Type::reminder));
    EXPECT_FALSE(request(*store, Type::event));
    EXPECT_EQ(prompts, (std::vector<Type>{Type::reminder, Type::event}));
    EXPECT_EQ(file::permissions(folder / "eventstore-access.json"), mode_t{0600});

    // The next launch knows the answers.
    backend = makeBackend();
    store = backend->makeStore();
    EXPECT_EQ(store->authorizationStatus(Type::reminder), Status::fullAccess);
    EXPECT_EQ(store->authorizationStatus(Type::event), Status::denied);
    EXPECT_FALSE(request(*store, Type::event));
    EXPECT_EQ(prompts.size(), 2u);
    EXPECT_EQ(store->defaultCalendarForNewEvents(), std::nullopt);
    CalendarEvent event;
    event.calendar = EventStoreCalendar{"calendars/default", "Calendar"};
    event.title = "x";
    event.startDate = clock.now();
    event.endDate = clock.now() + 60;
    EXPECT_EQ(store->saveEvent(event)->code(), EventStore::errorEventStoreNotAuthorized);
}

TEST_F(VdirEventStoreTest, TheDefaultCollectionsExistFromTheFirstUse)
{
    grantBoth(*store);
    EXPECT_EQ(store->defaultCalendarForNewEvents(),
              (EventStoreCalendar{"calendars/default", "Calendar", Type::event, true}));
    EXPECT_EQ(store->defaultCalendarForNewReminders(),
              (EventStoreCalendar{"reminders/default", "Reminders", Type::reminder, true}));
    EXPECT_EQ(readFile(folder / "calendars" / "default" / "displayname"), "Calendar");
    EXPECT_EQ(readFile(folder / "reminders" / "default" / "displayname"), "Reminders");
    EXPECT_EQ(file::permissions(folder / "calendars" / "default"), mode_t{0700});

    // A name the user gave it (with vdirsyncer or by hand) is kept and shown.
    ASSERT_FALSE(file::writeAtomically(folder / "reminders" / "default" / "displayname", "Inbox\n"));
    EXPECT_EQ(store->defaultCalendarForNewReminders()->title, "Inbox");
    EXPECT_EQ(readFile(folder / "reminders" / "default" / "displayname"), "Inbox\n");
}

// Titles with the characters iCalendar escapes, and long enough to fold in
// the middle of emoji: the file is what libical and RFC 5545 expect.
TEST_F(VdirEventStoreTest, EventFilesFollowTheStandard)
{
    grantBoth(*store);
    const std::string title = "Lunch, with; Bob\nand \\ the team 🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜🍜 at the new place";
    CalendarEvent event;
    event.calendar = store->defaultCalendarForNewEvents();
    event.title = title;
    event.startDate = newYork(15, 12, 30);
    event.endDate = newYork(15, 13, 30);
    ASSERT_EQ(store->saveEvent(event), std::nullopt);
    EXPECT_EQ(event.eventIdentifier.size(), 36u);

    const fs::path path = folder / "calendars" / "default" / (event.eventIdentifier + ".ics");
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(file::permissions(path), mode_t{0600});
    EXPECT_EQ(icsFiles(folder / "calendars" / "default").size(), 1u);
    const std::string text = readFile(path);

    for (const auto& line : physicalLines(text)) {
        EXPECT_LE(line.size(), 75u) << line;
        EXPECT_TRUE(text::isValidUtf8(line)) << "a fold splits a character: " << line;
    }
    const std::string logical = unfolded(text);
    EXPECT_NE(logical.find("SUMMARY:Lunch\\, with\\; Bob\\nand \\\\ the team 🍜"), std::string::npos)
        << logical;
    EXPECT_NE(logical.find("\r\nUID:" + event.eventIdentifier + "\r\n"), std::string::npos);
    EXPECT_NE(logical.find("\r\nDTSTAMP:20231114T221320Z\r\n"), std::string::npos);
    EXPECT_NE(logical.find("\r\nDTSTART;TZID=America/New_York:20231115T123000\r\n"), std::string::npos);
    EXPECT_NE(logical.find("\r\nDTEND;TZID=America/New_York:20231115T133000\r\n"), std::string::npos);
    EXPECT_NE(logical.find("BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n"), std::string::npos);
    EXPECT_EQ(logical.rfind("BEGIN:VCALENDAR\r\n", 0), 0u);

    // libical's own parser and its RFC 5545 restriction check accept it.
    icalcomponent* parsed = icalparser_parse_string(text.c_str());
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(icalrestriction_check(parsed), 1);
    icalcomponent* vevent = icalcomponent_get_first_component(parsed, ICAL_VEVENT_COMPONENT);
    ASSERT_NE(vevent, nullptr);
    EXPECT_EQ(std::string(icalcomponent_get_summary(vevent)), title);
    const icaltimetype start = icalcomponent_get_dtstart(vevent);
    EXPECT_EQ(static_cast<double>(icaltime_as_timet_with_zone(start, start.zone)), newYork(15, 12, 30));
    icalcomponent_free(parsed);

    // And it reads back as it went in.
    const auto events = store->fetchEvents(newYork(15, 0, 0), newYork(16, 0, 0));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].title, title);
    EXPECT_EQ(events[0].startDate, newYork(15, 12, 30));
    EXPECT_EQ(events[0].endDate, newYork(15, 13, 30));
    EXPECT_EQ(events[0].calendar->title, "Calendar");
}

TEST_F(VdirEventStoreTest, TodosAreAllDayOrTimedWithAnAlarm)
{
    grantBoth(*store);
    Reminder allDay;
    allDay.calendar = store->defaultCalendarForNewReminders();
    allDay.title = "submit report";
    allDay.dueDateComponents = DateComponents{.year = 2023, .month = 11, .day = 17};
    allDay.dueDateIsAllDay = true;
    ASSERT_EQ(store->saveReminder(allDay), std::nullopt);

    Reminder timed;
    timed.calendar = allDay.calendar;
    timed.title = "call mom";
    timed.dueDateComponents = DateComponents{.year = 2023, .month = 11, .day = 15, .hour = 17, .minute = 0};
    timed.alarms = {EventStoreAlarm{newYork(15, 17, 0)}};
    ASSERT_EQ(store->saveReminder(timed), std::nullopt);

    Reminder undated;
    undated.calendar = allDay.calendar;
    undated.title = "buy milk";
    ASSERT_EQ(store->saveReminder(undated), std::nullopt);

    const fs::path list = folder / "reminders" / "default";
    const std::string allDayText = unfolded(readFile(list / (allDay.calendarItemIdentifier + ".ics")));
    EXPECT_NE(allDayText.find("\r\nDUE;VALUE=DATE:20231117\r\n"), std::string::npos) << allDayText;
    EXPECT_EQ(allDayText.find("VALARM"), std::string::npos);
    EXPECT_EQ(allDayText.find("VTIMEZONE"), std::string::npos);
    EXPECT_NE(allDayText.find("BEGIN:VTODO"), std::string::npos);

    const std::string timedText = unfolded(readFile(list / (timed.calendarItemIdentifier + ".ics")));
    EXPECT_NE(timedText.find("\r\nDUE;TZID=America/New_York:20231115T170000\r\n"), std::string::npos)
        << timedText;
    EXPECT_NE(timedText.find("\r\nTRIGGER;VALUE=DATE-TIME:20231115T220000Z\r\n"), std::string::npos)
        << timedText;
    EXPECT_NE(timedText.find("\r\nACTION:DISPLAY\r\n"), std::string::npos);

    const std::string undatedText = unfolded(readFile(list / (undated.calendarItemIdentifier + ".ics")));
    EXPECT_EQ(undatedText.find("DUE"), std::string::npos);

    for (const std::string* text : {&allDayText, &timedText, &undatedText}) {
        icalcomponent* parsed = icalparser_parse_string(text->c_str());
        ASSERT_NE(parsed, nullptr);
        EXPECT_EQ(icalrestriction_check(parsed), 1) << *text;
        icalcomponent_free(parsed);
    }

    auto fetched = store->fetchReminders();
    ASSERT_EQ(fetched.size(), 3u);
    for (auto& reminder : fetched) {
        const Reminder& original = reminder.title == "submit report" ? allDay
                                   : reminder.title == "call mom"    ? timed
                                                                     : undated;
        EXPECT_EQ(reminder, original) << reminder.title;
    }
}

// Other programs' collections are read and never written.
TEST_F(VdirEventStoreTest, CollectionsOfOtherProgramsAreLeftAlone)
{
    const fs::path work = folder / "calendars" / "work";
    fs::create_directories(work);
    const std::string theirs =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\nUID:theirs-1\r\n"
        "DTSTAMP:20231101T000000Z\r\nDTSTART:20231115T150000Z\r\nDTEND:20231115T160000Z\r\nSUMMARY:Review\r\n"
        "END:VEVENT\r\nEND:VCALENDAR\r\n";
    {
        std::ofstream(work / "displayname") << "Work";
    }
    {
        std::ofstream(work / "theirs-1.ics") << theirs;
    }
    {
        std::ofstream(work / "notes.txt") << "not an item";
    }
    const auto before = fs::last_write_time(work / "theirs-1.ics");

    grantBoth(*store);
    CalendarEvent event;
    event.calendar = store->defaultCalendarForNewEvents();
    event.title = "standup";
    event.startDate = newYork(15, 9, 0);
    event.endDate = newYork(15, 10, 0);
    ASSERT_EQ(store->saveEvent(event), std::nullopt);

    EXPECT_EQ(readFile(work / "theirs-1.ics"), theirs);
    EXPECT_EQ(readFile(work / "displayname"), "Work");
    EXPECT_EQ(fs::last_write_time(work / "theirs-1.ics"), before);
    EXPECT_EQ(icsFiles(work).size(), 1u);

    const auto events = store->fetchEvents(newYork(15, 0, 0), newYork(16, 0, 0));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].title, "standup");
    EXPECT_EQ(events[1].title, "Review");
    EXPECT_EQ(events[1].calendar->title, "Work");
    EXPECT_EQ(events[1].calendar->identifier, "calendars/work");

    // Saving into their calendar by name writes one new file beside theirs.
    CalendarEvent ours = event;
    ours.eventIdentifier.clear();
    ours.calendar = events[1].calendar;
    ASSERT_EQ(store->saveEvent(ours), std::nullopt);
    EXPECT_EQ(icsFiles(work).size(), 2u);
    EXPECT_EQ(readFile(work / "theirs-1.ics"), theirs);
}

TEST_F(VdirEventStoreTest, FoldersThatCannotBeUsedGiveAClearError)
{
    grantBoth(*store);
    const auto calendar = store->defaultCalendarForNewEvents();

    CalendarEvent event;
    event.calendar = calendar;
    event.title = "standup";
    event.startDate = newYork(15, 9, 0);
    event.endDate = newYork(15, 10, 0);

    // Something else where the collection folder should be.
    fs::remove_all(folder / "calendars" / "default");
    {
        std::ofstream(folder / "calendars" / "default") << "not a folder";
    }
    auto failure = store->saveEvent(event);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->domain(), "EKErrorDomain");
    EXPECT_NE(failure->localizedDescription().find((folder / "calendars" / "default").string()),
              std::string::npos)
        << failure->localizedDescription();
    EXPECT_TRUE(store->fetchEvents(0, 1e12).empty());

    // An item file that cannot be replaced.
    fs::remove(folder / "calendars" / "default");
    ASSERT_TRUE(store->defaultCalendarForNewEvents().has_value());
    event.eventIdentifier = "blocked";
    fs::create_directories(folder / "calendars" / "default" / "blocked.ics" / "inside");
    failure = store->saveEvent(event);
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->localizedDescription().find("The event could not be saved in “Calendar” ("),
              std::string::npos)
        << failure->localizedDescription();
    EXPECT_NE(failure->localizedDescription().find("blocked.ics): "), std::string::npos);

    // Names that would leave the collections' folder.
    for (const char* identifier : {"calendars/../x", "calendars/", "reminders/default", "other/default"}) {
        event.calendar = EventStoreCalendar{identifier, "x"};
        failure = store->saveEvent(event);
        ASSERT_TRUE(failure.has_value()) << identifier;
        EXPECT_TRUE(failure->code() == EventStore::errorNoCalendar ||
                    failure->code() == EventStore::errorCalendarDoesNotAllowEvents)
            << identifier;
    }
}

}  // namespace
}  // namespace qm::test
