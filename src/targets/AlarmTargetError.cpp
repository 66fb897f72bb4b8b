#include "targets/AlarmTargetError.h"

namespace qm {

AlarmTargetError::AlarmTargetError(Code code) : PlatformError(kDomain, code, describe(code)) {}

const char* AlarmTargetError::describe(Code code)
{
    switch (code) {
    case emptyInput:
        return "Alarm text is empty. Try: 7:30am take meds";
    case noDateTime:
        return "Could not find a date or time. Try: 7:30am take meds or tomorrow 9am standup";
    case dateWithoutTime:
        return "Alarm needs a specific time. Try: tomorrow 9am take meds";
    }
    return "Could not find a date or time. Try: 7:30am take meds or tomorrow 9am standup";
}

}  // namespace qm
