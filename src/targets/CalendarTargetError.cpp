#include "targets/CalendarTargetError.h"

namespace qm {

CalendarTargetError::CalendarTargetError(Code code) : PlatformError(kDomain, code, describe(code)) {}

const char* CalendarTargetError::describe(Code code)
{
    switch (code) {
    case emptyInput:
        return "Calendar text is empty. Try: standup tomorrow 2pm";
    case noDateTime:
        return "Could not find a date or time. Try: standup tomorrow 2pm";
    case permissionDenied:
        return "Calendar access was denied. Grant access in System Settings → Privacy & Security → "
               "Calendars.";
    case noWritableCalendar:
        return "No writable calendar found. Open the Calendar app and configure at least one calendar.";
    }
    return "Could not find a date or time. Try: standup tomorrow 2pm";
}

}  // namespace qm
