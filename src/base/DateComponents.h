#pragma once

namespace qm {

// A local date and time of day in some calendar's time zone, as the parts a
// person reads off a clock and a wall calendar. Month is 1...12, day 1...31,
// hour 0...23. See qm::Calendar for how these turn into a time and back.
struct DateComponents {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    // 1 = Sunday ... 7 = Saturday. Filled in by Calendar::components; ignored
    // when a time is built from components.
    int weekday = 0;

    bool operator==(const DateComponents&) const = default;
};

}  // namespace qm
