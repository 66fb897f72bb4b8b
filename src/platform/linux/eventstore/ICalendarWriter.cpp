#include "platform/linux/eventstore/ICalendarWriter.h"

#include <cmath>
#include <ctime>
#include <memory>

#include "base/Calendar.h"
#include "platform/linux/eventstore/ICalendarZone.h"

namespace qm {

namespace {

constexpr const char* kProductId = "-//Quillmarker//Quillmarker//EN";

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

time_t wholeSeconds(double time)
{
    return static_cast<time_t>(std::floor(time));
}

icaltimetype utcTime(double time)
{
    return icaltime_from_timet_with_zone(wholeSeconds(time), 0, icaltimezone_get_utc_timezone());
}

// Whether the wall-clock time of `time` comes twice in the zone (in the hour
// that a change back to standard time repeats). iCalendar means the first of
// the two, but readers differ, and the second cannot be written at all.
bool isRepeatedWallTime(const Calendar& local, double time)
{
    const DateComponents wall = local.components(time);
    for (const double shift : {-7200.0, -3600.0, -1800.0, 1800.0, 3600.0, 7200.0}) {
        const DateComponents other = local.components(time + shift);
        if (other.year == wall.year && other.month == wall.month && other.day == wall.day &&
            other.hour == wall.hour && other.minute == wall.minute && other.second == wall.second) {
            return true;
        }
    }
    return false;
}

// The zone the times of a file are written in: its name, its calendar and
// its definition; without one they are written in UTC.
struct FileZone {
    std::string id;
    Calendar local;
    Component definition;
};

std::optional<FileZone> fileZone(const std::string& zoneId, double near)
{
    const auto local = Calendar::withTimeZone(zoneId);
    Component definition(local ? icalendarZoneDefinition(zoneId, near) : nullptr);
    if (!definition) {
        return std::nullopt;
    }
    return FileZone{zoneId, *local, std::move(definition)};
}

// A property of `time` with the zone's TZID and local time, or in UTC where
// the local time would not name it alone or there is no zone.
icalproperty* timeProperty(icalproperty* (*make)(icaltimetype), double time,
                           const std::optional<FileZone>& zone)
{
    if (!zone || isRepeatedWallTime(zone->local, time)) {
        return make(utcTime(time));
    }
    const DateComponents parts = zone->local.components(time);
    icaltimetype wall = icaltime_null_time();
    wall.year = parts.year;
    wall.month = parts.month;
    wall.day = parts.day;
    wall.hour = parts.hour;
    wall.minute = parts.minute;
    wall.second = parts.second;
    icalproperty* property = make(wall);
    icalproperty_add_parameter(property, icalparameter_new_tzid(zone->id.c_str()));
    return property;
}

icalcomponent* calendarWith(std::optional<FileZone>& zone)
{
    icalcomponent* calendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid(kProductId));
    if (zone) {
        icalcomponent_add_component(calendar, zone->definition.release());
    }
    return calendar;
}

void addCommon(icalcomponent* item, const std::string& uid, double timestamp, const std::string& title,
               const std::optional<std::string>& notes)
{
    icalcomponent_add_property(item, icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(item, icalproperty_new_dtstamp(utcTime(timestamp)));
    icalcomponent_add_property(item, icalproperty_new_summary(title.c_str()));
    if (notes) {
        icalcomponent_add_property(item, icalproperty_new_description(notes->c_str()));
    }
}

void addAlarms(icalcomponent* item, const std::vector<EventStoreAlarm>& alarms, const std::string& title)
{
    for (const auto& alarm : alarms) {
        icalcomponent* valarm = icalcomponent_new(ICAL_VALARM_COMPONENT);
        icalcomponent_add_property(valarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icalcomponent_add_property(valarm,
                                   icalproperty_new_description(title.empty() ? "Reminder" : title.c_str()));
        icaltriggertype trigger = icaltriggertype_from_int(0);
        trigger.time = utcTime(alarm.absoluteDate);
        icalcomponent_add_property(valarm, icalproperty_new_trigger(trigger));
        icalcomponent_add_component(item, valarm);
    }
}

std::string text(icalcomponent* calendar)
{
    char* written = icalcomponent_as_ical_string_r(calendar);
    std::string result = written ? written : "";
    icalmemory_free_buffer(written);
    return result;
}

}  // namespace

std::string ICalendarWriter::todo(const Reminder& reminder, const std::string& uid, double timestamp,
                                  const std::string& timeZoneId)
{
    std::lock_guard lock(icalendarLock());
    // The instant the due wall-clock time names in the user's zone (its first
    // occurrence where it comes twice).
    std::optional<double> due;
    if (reminder.dueDateComponents && !reminder.dueDateIsAllDay) {
        DateComponents wall = *reminder.dueDateComponents;
        wall.second = 0;
        const auto local = Calendar::withTimeZone(timeZoneId);
        // A zone the calendar does not know either keeps time in UTC.
        due = (local ? *local : *Calendar::withTimeZone("UTC")).date(wall);
    }
    auto zone = due ? fileZone(timeZoneId, *due) : std::nullopt;
    Component calendar(calendarWith(zone));
    icalcomponent* item = icalcomponent_new(ICAL_VTODO_COMPONENT);
    addCommon(item, uid, timestamp, reminder.title, reminder.notes);
    icalcomponent_add_property(item, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    if (reminder.dueDateComponents && reminder.dueDateIsAllDay) {
        icaltimetype day = icaltime_null_time();
        day.year = reminder.dueDateComponents->year;
        day.month = reminder.dueDateComponents->month;
        day.day = reminder.dueDateComponents->day;
        day.is_date = 1;
        icalcomponent_add_property(item, icalproperty_new_due(day));
    } else if (due) {
        icalcomponent_add_property(item, timeProperty(icalproperty_new_due, *due, zone));
    }
    addAlarms(item, reminder.alarms, reminder.title);
    icalcomponent_add_component(calendar.get(), item);
    return text(calendar.get());
}

std::string ICalendarWriter::event(const CalendarEvent& event, const std::string& uid, double timestamp,
                                   const std::string& timeZoneId)
{
    std::lock_guard lock(icalendarLock());
    auto zone = fileZone(timeZoneId, event.startDate.value_or(timestamp));
    Component calendar(calendarWith(zone));
    icalcomponent* item = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    addCommon(item, uid, timestamp, event.title, event.notes);
    if (event.startDate) {
        icalcomponent_add_property(item, timeProperty(icalproperty_new_dtstart, *event.startDate, zone));
    }
    if (event.endDate) {
        icalcomponent_add_property(item, timeProperty(icalproperty_new_dtend, *event.endDate, zone));
    }
    addAlarms(item, event.alarms, event.title);
    icalcomponent_add_component(calendar.get(), item);
    return text(calendar.get());
}

}  // namespace qm
