#include "targets/PendingScheduledCapture.h"

namespace qm {

std::optional<PendingScheduledCapture::Kind>
PendingScheduledCapture::kindFromRawValue(std::string_view rawValue)
{
    if (rawValue == "timer") {
        return Kind::timer;
    }
    if (rawValue == "alarm") {
        return Kind::alarm;
    }
    return std::nullopt;
}

std::string_view PendingScheduledCapture::rawValue(Kind kind)
{
    return kind == Kind::timer ? "timer" : "alarm";
}

std::string_view PendingScheduledCapture::kindLabel() const
{
    return kind == Kind::timer ? "Timer" : "Alarm";
}

}  // namespace qm
