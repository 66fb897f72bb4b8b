#include "platform/linux/eventstore/ICalendarZone.h"

#include <memory>
#include <vector>

#include <unicode/basictz.h>
#include <unicode/timezone.h>
#include <unicode/vtzone.h>

namespace qm {

icaltimezone* icalendarZone(const std::string& timeZoneId)
{
    if (timeZoneId.empty() || timeZoneId == "UTC" || timeZoneId == "Etc/UTC" || timeZoneId == "GMT") {
        return nullptr;
    }
    return icaltimezone_get_builtin_timezone(timeZoneId.c_str());
}

icalcomponent* icalendarZoneDefinition(const std::string& timeZoneId, double near)
{
    if (!icalendarZone(timeZoneId)) {
        return nullptr;
    }
    // ICU writes a zone's rules near a date in the simple form readers take;
    // libical's own definitions carry the zone's history in rules that end.
    std::unique_ptr<icu::TimeZone> zone(
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZoneId)));
    const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(zone.get());
    if (!basic || *zone == icu::TimeZone::getUnknown()) {
        return nullptr;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::VTimeZone> writer(icu::VTimeZone::createVTimeZoneFromBasicTimeZone(*basic, status));
    icu::UnicodeString written;
    if (writer) {
        writer->writeSimple(near * 1000.0, written, status);
    }
    std::string text;
    written.toUTF8String(text);
    icalcomponent* definition = U_SUCCESS(status) ? icalparser_parse_string(text.c_str()) : nullptr;
    if (!definition || icalcomponent_isa(definition) != ICAL_VTIMEZONE_COMPONENT) {
        if (definition) {
            icalcomponent_free(definition);
        }
        return nullptr;
    }
    // ICU's own note of its data, and its placeholder names "(STD)" and "(DST)".
    std::vector<icalproperty*> extra;
    for (icalproperty* p = icalcomponent_get_first_property(definition, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(definition, ICAL_X_PROPERTY)) {
        extra.push_back(p);
    }
    for (icalproperty* p : extra) {
        icalcomponent_remove_property(definition, p);
        icalproperty_free(p);
    }
    for (icalcomponent* observance = icalcomponent_get_first_component(definition, ICAL_ANY_COMPONENT);
         observance; observance = icalcomponent_get_next_component(definition, ICAL_ANY_COMPONENT)) {
        while (icalproperty* name = icalcomponent_get_first_property(observance, ICAL_TZNAME_PROPERTY)) {
            icalcomponent_remove_property(observance, name);
            icalproperty_free(name);
        }
    }
    return definition;
}

std::mutex& icalendarLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace qm
