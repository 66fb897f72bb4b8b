#pragma once

#include <vector>

#include "base/Calendar.h"
#include "platform/runtime/Clock.h"
#include "records/CaptureActivityRecord.h"
#include "records/CaptureStats.h"

namespace qm {

// Today, week, total and streak figures over successful captures. Pure: safe on any thread.
class CaptureInsights {
public:
    // The figures of no captures at all.
    static const CaptureStats& empty();

    // The figures as of `now`, with day and week boundaries (time zone, first
    // weekday) taken from `calendar`. The order of `records` does not matter.
    static CaptureStats calculate(const std::vector<CaptureActivityRecord>& records, double now,
                                  const Calendar& calendar = Calendar::current());
    // As of the clock's time, in the user's current calendar.
    static CaptureStats calculate(const std::vector<CaptureActivityRecord>& records, const Clock& clock);

    CaptureInsights() = delete;
};

}  // namespace qm
