#include "platform/linux/eventstore/ICalendarWriter.h"

#include <cmath>
#include <ctime>
#include <memory>

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

// A property of `time` in `zone` (TZID and local time), or in UTC without one.
icalproperty* timeProperty(icalproperty* (*make)(icaltimetype), double time, icaltimezone* zone,
                           const std::string& zoneId)
{
    if (!zone) {
        return make(utcTime(time));
    }
    icaltimetype local = icaltime_from_timet_with_zone(wholeSeconds(time), 0, zone);
    local = icaltime_set_timezone(&local, nullptr);
    icalproperty* property = make(local);
    icalproperty_add_parameter(property, icalparameter_new_tzid(zoneId.c_str()));
    return property;
}

icalcomponent* calendarWith(icaltimezone* zone, const std::string& zoneId, double firstUse)
{
    icalcomponent* calendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid(kProductId));
    if (zone) {
        icalcomponent* definition = icalcomponent_new_clone(icaltimezone_get_component(zone));
        // The whole history of a zone is long; readers need its rules from a year before on.
        const int year = 1970 + static_cast<int>(std::floor(firstUse / (365.2425 * 86400))) - 1;
        icaltimezone_truncate_vtimezone(definition, icaltime_from_day_of_year(1, year), icaltime_null_time(),
                                        1);
        // The plain zone name, as calendar programs write it.
        icalproperty_set_tzid(icalcomponent_get_first_property(definition, ICAL_TZID_PROPERTY),
                              zoneId.c_str());
        icalcomponent_add_component(calendar, definition);
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
    const bool timed = reminder.dueDateComponents && !reminder.dueDateIsAllDay;
    icaltimezone* zone = timed ? icalendarZone(timeZoneId) : nullptr;
    Component calendar(calendarWith(zone, timeZoneId, timestamp));
    icalcomponent* item = icalcomponent_new(ICAL_VTODO_COMPONENT);
    addCommon(item, uid, timestamp, reminder.title, reminder.notes);
    icalcomponent_add_property(item, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    if (const auto& due = reminder.dueDateComponents) {
        icaltimetype value = icaltime_null_time();
        value.year = due->year;
        value.month = due->month;
        value.day = due->day;
        if (reminder.dueDateIsAllDay) {
            value.is_date = 1;
            icalcomponent_add_property(item, icalproperty_new_due(value));
        } else {
            value.hour = due->hour;
            value.minute = due->minute;
            icalproperty* property;
            if (zone) {
                property = icalproperty_new_due(value);
                icalproperty_add_parameter(property, icalparameter_new_tzid(timeZoneId.c_str()));
            } else {
                value = icaltime_set_timezone(&value, icaltimezone_get_utc_timezone());
                property = icalproperty_new_due(value);
            }
            icalcomponent_add_property(item, property);
        }
    }
    addAlarms(item, reminder.alarms, reminder.title);
    icalcomponent_add_component(calendar.get(), item);
    return text(calendar.get());
}

std::string ICalendarWriter::event(const CalendarEvent& event, const std::string& uid, double timestamp,
                                   const std::string& timeZoneId)
{
    std::lock_guard lock(icalendarLock());
    icaltimezone* zone = icalendarZone(timeZoneId);
    Component calendar(calendarWith(zone, timeZoneId, event.startDate.value_or(timestamp)));
    icalcomponent* item = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    addCommon(item, uid, timestamp, event.title, event.notes);
    if (event.startDate) {
        icalcomponent_add_property(
            item, timeProperty(icalproperty_new_dtstart, *event.startDate, zone, timeZoneId));
    }
    if (event.endDate) {
        icalcomponent_add_property(item,
                                   timeProperty(icalproperty_new_dtend, *event.endDate, zone, timeZoneId));
    }
    addAlarms(item, event.alarms, event.title);
    icalcomponent_add_component(calendar.get(), item);
    return text(calendar.get());
}

}  // namespace qm
