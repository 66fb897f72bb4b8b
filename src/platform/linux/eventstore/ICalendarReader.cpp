#include "platform/linux/eventstore/ICalendarReader.h"

#include <memory>
#include <string>

#include "base/Calendar.h"
#include "platform/linux/eventstore/ICalendarZone.h"

namespace qm {

namespace {

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

Component parse(std::string_view text)
{
    const std::string copy(text);
    return Component(icalparser_parse_string(copy.c_str()));
}

icalcomponent* firstItem(icalcomponent* root, icalcomponent_kind kind)
{
    if (!root) {
        return nullptr;
    }
    if (icalcomponent_isa(root) == kind) {
        return root;
    }
    return icalcomponent_get_first_component(root, kind);
}

std::string textOf(icalcomponent* item, icalproperty_kind kind)
{
    icalproperty* property = icalcomponent_get_first_property(item, kind);
    const char* value = property ? icalvalue_get_text(icalproperty_get_value(property)) : nullptr;
    return value ? value : "";
}

std::optional<std::string> optionalTextOf(icalcomponent* item, icalproperty_kind kind)
{
    if (!icalcomponent_get_first_property(item, kind)) {
        return std::nullopt;
    }
    return textOf(item, kind);
}

// Seconds since 1970 of a date-time; a floating one is read in `zone`.
double instant(icaltimetype time, const std::string& zoneId)
{
    if (time.zone || icaltime_is_utc(time)) {
        return static_cast<double>(icaltime_as_timet_with_zone(time, time.zone));
    }
    const auto calendar = Calendar::withTimeZone(zoneId).value_or(Calendar::current());
    return calendar.date(DateComponents{time.year, time.month, time.day, time.hour, time.minute, time.second})
        .value_or(0);
}

std::vector<EventStoreAlarm> alarmsOf(icalcomponent* item)
{
    std::vector<EventStoreAlarm> alarms;
    for (icalcomponent* alarm = icalcomponent_get_first_component(item, ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(item, ICAL_VALARM_COMPONENT)) {
        icalproperty* property = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (!property) {
            continue;
        }
        const icaltriggertype trigger = icalproperty_get_trigger(property);
        if (!icaltime_is_null_time(trigger.time)) {
            alarms.push_back(EventStoreAlarm{static_cast<double>(icaltime_as_timet_with_zone(
                trigger.time, trigger.time.zone ? trigger.time.zone : icaltimezone_get_utc_timezone()))});
        }
    }
    return alarms;
}

}  // namespace

std::optional<Reminder> ICalendarReader::todo(std::string_view text, const std::string& timeZoneId)
{
    std::lock_guard lock(icalendarLock());
    const Component root = parse(text);
    icalcomponent* item = firstItem(root.get(), ICAL_VTODO_COMPONENT);
    if (!item) {
        return std::nullopt;
    }
    Reminder reminder;
    reminder.calendarItemIdentifier = textOf(item, ICAL_UID_PROPERTY);
    reminder.title = textOf(item, ICAL_SUMMARY_PROPERTY);
    reminder.notes = optionalTextOf(item, ICAL_DESCRIPTION_PROPERTY);
    if (icalcomponent_get_first_property(item, ICAL_DUE_PROPERTY)) {
        const icaltimetype due = icalcomponent_get_due(item);
        if (due.is_date) {
            reminder.dueDateComponents = DateComponents{due.year, due.month, due.day, 0, 0, 0, 0};
            reminder.dueDateIsAllDay = true;
        } else {
            const auto calendar = Calendar::withTimeZone(timeZoneId).value_or(Calendar::current());
            DateComponents local = calendar.components(instant(due, timeZoneId));
            local.second = 0;
            local.weekday = 0;
            reminder.dueDateComponents = local;
        }
    }
    reminder.alarms = alarmsOf(item);
    return reminder;
}

std::optional<CalendarEvent> ICalendarReader::event(std::string_view text, const std::string& timeZoneId)
{
    std::lock_guard lock(icalendarLock());
    const Component root = parse(text);
    icalcomponent* item = firstItem(root.get(), ICAL_VEVENT_COMPONENT);
    if (!item || !icalcomponent_get_first_property(item, ICAL_DTSTART_PROPERTY)) {
        return std::nullopt;
    }
    CalendarEvent event;
    event.eventIdentifier = textOf(item, ICAL_UID_PROPERTY);
    event.title = textOf(item, ICAL_SUMMARY_PROPERTY);
    event.notes = optionalTextOf(item, ICAL_DESCRIPTION_PROPERTY);
    event.startDate = instant(icalcomponent_get_dtstart(item), timeZoneId);
    if (icalcomponent_get_first_property(item, ICAL_DTEND_PROPERTY)) {
        event.endDate = instant(icalcomponent_get_dtend(item), timeZoneId);
    } else if (icalcomponent_get_first_property(item, ICAL_DURATION_PROPERTY)) {
        event.endDate = *event.startDate + icaldurationtype_as_int(icalcomponent_get_duration(item));
    } else {
        event.endDate = event.startDate;
    }
    event.alarms = alarmsOf(item);
    return event;
}

}  // namespace qm
