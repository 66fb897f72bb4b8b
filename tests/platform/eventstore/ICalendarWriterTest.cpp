#include "platform/linux/eventstore/ICalendarWriter.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <libical/ical.h>
#include <nlohmann/json.hpp>

#include "base/Calendar.h"
#include "base/FileUtil.h"
#include "support/TempDir.h"
#include "targets/TimeZoneScope.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// Zones with and without summer time, a half-hour change, a southern one, and
// POSIX TZ descriptions with and without rules, whose names no reader knows.
const char* const kZones[] = {
    "UTC",
    "America/New_York",
    "Europe/Berlin",
    "Asia/Kolkata",
    "Asia/Tokyo",
    "America/Phoenix",
    "America/Sao_Paulo",
    "Asia/Riyadh",
    "Australia/Lord_Howe",
    "CET-1CEST,M3.5.0,M10.5.0/3",
    "JST-9",
};

// Starts of one-hour items, on whole minutes (UTC): across New York's and
// Berlin's spring changes, Lord Howe's half-hour one, the autumn changes (the
// hour ends in a repeated local hour), and a summer and a winter day.
const double kInstants[] = {
    1772951400,  // 2026-03-08 06:30
    1774744200,  // 2026-03-29 00:30
    1791039600,  // 2026-10-03 15:00
    1792888200,  // 2026-10-25 00:30
    1793511000,  // 2026-11-01 05:30
    1782907200,  // 2026-07-01 12:00
    1797062400,  // 2026-12-12 08:00
};

constexpr double kStamp = 1772000000;

struct Written {
    fs::path file;
    std::string text;
    nlohmann::json expect;
};

// The files the program writes for an event, a timed reminder and an
// all-day reminder at each instant, in the zone of the environment, as the
// event store asks for them.
std::vector<Written> writeAll(const fs::path& folder, const std::string& label)
{
    const Calendar calendar = Calendar::current();
    const std::string zoneId = calendar.timeZoneId();
    std::vector<Written> written;
    int n = 0;
    for (const double start : kInstants) {
        CalendarEvent event;
        event.title = "standup";
        event.startDate = start;
        event.endDate = start + 3600;
        event.alarms = {EventStoreAlarm{start - 600}};
        written.push_back({folder / (label + "-event-" + std::to_string(n) + ".ics"),
                           ICalendarWriter::event(event, "event-" + std::to_string(n), kStamp, zoneId),
                           {{"DTSTART", start}, {"DTEND", start + 3600}}});

        Reminder timed;
        timed.title = "call mom";
        timed.dueDateComponents = calendar.components(start);
        timed.alarms = {EventStoreAlarm{start}};
        written.push_back({folder / (label + "-timed-" + std::to_string(n) + ".ics"),
                           ICalendarWriter::todo(timed, "timed-" + std::to_string(n), kStamp, zoneId),
                           {{"DUE", start}}});

        Reminder allDay;
        allDay.title = "submit report";
        allDay.dueDateComponents = calendar.components(start);
        allDay.dueDateIsAllDay = true;
        written.push_back({folder / (label + "-allday-" + std::to_string(n) + ".ics"),
                           ICalendarWriter::todo(allDay, "allday-" + std::to_string(n), kStamp, zoneId),
                           {{"DUE", calendar.format(start, "yyyy-MM-dd")}}});
        ++n;
    }
    return written;
}

// "2026-12-12" as iCalendar writes a date: "20261212".
std::string compactDate(std::string date)
{
    std::erase(date, '-');
    return date;
}

// What libical makes of the file: valid, and the instants meant, each read
// with the file's own zone definition.
void checkWithLibical(const Written& w)
{
    SCOPED_TRACE(w.file.filename().string() + "\n" + w.text);
    icalcomponent* root = icalparser_parse_string(w.text.c_str());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(icalrestriction_check(root), 1);
    EXPECT_EQ(icalcomponent_count_errors(root), 0);
    for (icalcomponent* zone = icalcomponent_get_first_component(root, ICAL_VTIMEZONE_COMPONENT); zone;
         zone = icalcomponent_get_next_component(root, ICAL_VTIMEZONE_COMPONENT)) {
        const std::string definition = icalcomponent_as_ical_string(zone);
        EXPECT_EQ(definition.find("VALUE=DATE"), std::string::npos) << "an observance starts on a date alone";
    }
    icalcomponent* item = icalcomponent_get_first_real_component(root);
    ASSERT_NE(item, nullptr);
    for (const auto& [name, expected] : w.expect.items()) {
        const icaltimetype time = name == "DTSTART" ? icalcomponent_get_dtstart(item)
                                  : name == "DTEND" ? icalcomponent_get_dtend(item)
                                                    : icalcomponent_get_due(item);
        if (expected.is_string()) {
            EXPECT_TRUE(time.is_date) << name;
            EXPECT_EQ(std::string(icaltime_as_ical_string(time)), compactDate(expected.get<std::string>()))
                << name;
        } else {
            EXPECT_FALSE(time.is_date) << name;
            EXPECT_TRUE(time.zone || icaltime_is_utc(time)) << name << " is floating";
            EXPECT_EQ(static_cast<double>(icaltime_as_timet_with_zone(time, time.zone)),
                      expected.get<double>())
                << name;
        }
    }
    icalcomponent_free(root);
}

TEST(ICalendarWriterTest, EveryZoneWritesValidFilesThatNameTheIntendedInstants)
{
    TempDir dir;
    nlohmann::json manifest = nlohmann::json::array();
    for (std::size_t z = 0; z < std::size(kZones); ++z) {
        SCOPED_TRACE(kZones[z]);
        const TimeZoneScope zone(kZones[z]);
        for (const auto& w : writeAll(dir.path(), "zone" + std::to_string(z))) {
            std::ofstream(w.file, std::ios::binary) << w.text;
            checkWithLibical(w);
            manifest.push_back({{"file", w.file.string()}, {"expect", w.expect}});
        }
    }
    std::ofstream(dir / "manifest.json") << manifest.dump();

    // An independent reader, strict about time-zone definitions.
    const fs::path output = dir / "reader.txt";
    const std::string command = std::string(QM_PYTHON3) + " " + QM_ICALENDAR_CHECK + " " +
                                (dir / "manifest.json").string() + " > " + output.string() + " 2>&1";
    const int status = std::system(command.c_str());
    std::error_code error;
    EXPECT_EQ(status, 0) << file::readAll(output, error).value_or("no output");
}

}  // namespace
}  // namespace qm::test
