#include "targets/DurationParserError.h"

namespace qm {

DurationParserError::DurationParserError(Code code) : PlatformError(kDomain, code, describe(code)) {}

const char* DurationParserError::describe(Code code)
{
    switch (code) {
    case emptyInput:
        return "Timer text is empty. Try: 25m, 1h 30m, or 90s";
    case invalidFormat:
        return "Could not parse timer duration. Try: 25m, 1h 30m, or 90s";
    case nonPositiveDuration:
        return "Timer duration must be greater than zero.";
    case belowMinimum:
        return "Timer must be at least 1 minute (e.g. 1m, 90s, or 25m). macOS needs this to deliver "
               "notifications reliably.";
    case exceedsMaximum:
        return "Timer duration cannot exceed 24 hours.";
    }
    return "Could not parse timer duration. Try: 25m, 1h 30m, or 90s";
}

}  // namespace qm
