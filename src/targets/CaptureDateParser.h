#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "targets/CaptureDateParseResult.h"

namespace qm {

// Splits a capture line into a title and the date written in it ("Call mom
// tomorrow at 5pm", "dentist Friday 10:30"). Dates are recognised by
// DateRecognizer relative to `referenceDate`; this decides which of its matches
// to use, joins a separate day and time, moves dates that lie in the past into
// the future and cuts the used text out of the title.
//
// All calendar work uses the current calendar and time zone. Callers pass the
// clock's current time as `referenceDate`.
class CaptureDateParser {
public:
    CaptureDateParser() = delete;

    // A timed date before `referenceDate` moves forward a day at a time (at most
    // 370 days), or a week at a time when its day was written as a weekday
    // ("standup friday 9am" on a Friday afternoon is next Friday); a day-only
    // date before today moves forward one year. The title
    // is "Untitled" when nothing else is left, and the text unchanged when it
    // names no date.
    static CaptureDateParseResult parseTitleAndDate(std::string_view text, double referenceDate);

    // For alarms: when no time of day was found, the first clock time in the
    // text counts, bare numbers included ("7 take meds" is 07:00 today, or
    // tomorrow once 07:00 has passed). The title is "Alarm" when nothing is left.
    static CaptureDateParseResult parseAlarm(std::string_view text, double referenceDate);

    // The result's date, or for a day-only result that day at `hour`:`minute`.
    static std::optional<double> dateWithDefaultMorningTime(const CaptureDateParseResult& result,
                                                            int hour = 9, int minute = 0);

    // In the user's locale and time zone: the short time ("5:00 PM"), and the
    // medium date with the short time ("Mar 5, 2027, 5:00 PM").
    static std::string formatTime(double date);
    static std::string formatDateTime(double date);
};

// Whether a piece of date text names a time of day: a substring test for "am",
// "pm", ":", "clock", "noon", "midnight" and "tonight", then "at", "around" or
// "@" before a number, then a relative time ("in 20 minutes", "in 2 hours").
bool checkHasTimePattern(std::string_view text);

// Drops one trailing "at", "on", "by", "next", "this", "for", "in" or "to" left
// behind by a cut date ("Submit report by" becomes "Submit report").
std::string stripTrailingPrepositions(std::string_view text);

}  // namespace qm
