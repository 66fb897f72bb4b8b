#pragma once

#include <string_view>
#include <vector>

#include "base/Calendar.h"
#include "base/Utf16Range.h"

namespace qm {

// Finds dates and times written in English in free text, each resolved to an
// absolute time relative to `now` in the calendar's time zone. It reads:
//
// - days: "today", "tomorrow", "tonight" (20:00), "(the) day after tomorrow",
//   weekday names and abbreviations with an optional "this" or "next" (the
//   day itself or the next one to come; "next" never means today), month-name
//   dates ("March 5", "5 March", "Mar 5th, 2027"), numeric dates ("3/5",
//   "3/5/27", "3/5/2027", "2027-03-05") and "in N days";
// - times: "5pm", "5 pm", "5:30", "17:30", "5:30pm", "noon", "midnight" (on
//   the current day unless a day is written), "in N minutes", "in N hours";
// - a day followed by a time, with nothing, "at", "@" or a comma between, as
//   one match.
//
// A day named without a year is in the current year even when it has passed;
// a time without a day is on the current day. A day without a time of day is
// marked `dayOnly` and carries 12:00 local time. Bare numbers ("7 take meds",
// "at 7") are not dates, nor are times written with "a.m." or "p.m.", and a
// preposition in front of a match is not part of it.
class DateRecognizer {
public:
    DateRecognizer() = delete;

    struct Match {
        Utf16Range range;
        double date = 0;  // seconds since 1970
        bool dayOnly = false;
        // The day was written as a weekday: a reader who names one means
        // that weekday, so a time on it that has passed belongs to next week.
        bool namesWeekday = false;

        bool operator==(const Match&) const = default;
    };

    // The matches in text order; they never overlap.
    static std::vector<Match> matches(std::u16string_view text, double now,
                                      const Calendar& calendar = Calendar::current());
};

}  // namespace qm
