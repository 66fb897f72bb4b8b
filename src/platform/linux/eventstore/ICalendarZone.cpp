#include "platform/linux/eventstore/ICalendarZone.h"

namespace qm {

icaltimezone* icalendarZone(const std::string& timeZoneId)
{
    if (timeZoneId.empty() || timeZoneId == "UTC" || timeZoneId == "Etc/UTC" || timeZoneId == "GMT") {
        return nullptr;
    }
    return icaltimezone_get_builtin_timezone(timeZoneId.c_str());
}

std::mutex& icalendarLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace qm
