#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Time stamps in UTC as internet date-times to the whole second,
// "2026-12-07T22:01:57Z", the form the system's logs and files carry. Dates are
// those of the proleptic Gregorian calendar, as ISO 8601 counts them, and every
// computation goes through ICU's calendar. Safe to use from any thread.
class UtcTimestamp {
public:
    UtcTimestamp() = delete;

    // The earliest and latest times four year digits can write:
    // 0000-01-01T00:00:00Z and 9999-12-31T23:59:59Z.
    static constexpr double kEarliest = -62167219200.0;
    static constexpr double kLatest = 253402300799.0;

    // `time` (seconds since 1970) rounded down to the second and held within
    // kEarliest...kLatest; a time that is not finite is written as 1970-01-01T00:00:00Z.
    static std::string format(double time);

    // The same instant in the platform's date description form, as log lines
    // show dates: "2026-12-07 22:01:57 +0000".
    static std::string description(double time);

    // The time that `text` names, read whole and strictly: "yyyy-MM-ddTHH:mm:ss"
    // with exactly these digits, then "Z" or an offset "+hh:mm" / "-hh:mm"
    // (hours 00...23). A day the month does not have (29 February outside leap
    // years), hour 24 or second 60 does not read. Nothing when it does not read.
    static std::optional<double> parse(std::string_view text);
};

}  // namespace qm
