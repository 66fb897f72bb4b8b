#include "targets/DateRecognizer.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace qm {

namespace {

constexpr int kDayOnlyHour = 12;
constexpr int kTonightHour = 20;
// "wednesday" and "september"; a longer run of letters is no keyword.
constexpr std::size_t kLongestKeyword = 9;
// Digit runs longer than this are part of no date ("in 999999 days" is the furthest).
constexpr std::size_t kLongestNumber = 6;

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
};

// A calendar day; `day` may run past the month ("tomorrow" on the 31st), which
// the lenient calendar rolls over.
struct Day {
    int year = 0;
    int month = 0;
    int day = 0;
};

struct DayPhrase {
    std::size_t end = 0;
    Day day;
    std::optional<TimeOfDay> impliedTime;
    // The day was named by its weekday ("friday", "this friday", "next friday").
    bool isWeekday = false;
};

struct TimePhrase {
    std::size_t end = 0;
    TimeOfDay time;
};

struct Number {
    int value = 0;
    std::size_t digits = 0;
    std::size_t end = 0;
};

struct Word {
    std::string text;  // lower-cased ASCII
    std::size_t end = 0;
};

// A wall-clock time and the instant it names in the calendar's zone.
struct ResolvedDate {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    std::optional<double> date;

    bool sameWallTime(const ResolvedDate& other) const
    {
        return year == other.year && month == other.month && day == other.day && hour == other.hour &&
               minute == other.minute;
    }

    std::size_t slot() const
    {
        unsigned mix = 0;
        for (const int part : {year, month, day, hour, minute}) {
            mix = mix * 31u + static_cast<unsigned>(part);
        }
        return ((mix * 2654435761u) >> 16) % 64;
    }
};

enum class RelativeUnit { Minute, Hour, Day };

struct RelativePhrase {
    std::size_t end = 0;
    RelativeUnit unit = RelativeUnit::Day;
    int amount = 0;
};

constexpr std::array<std::pair<std::string_view, int>, 24> kMonths{{
    {"jan", 1},  {"january", 1},  {"feb", 2},    {"february", 2},  {"mar", 3},  {"march", 3},
    {"apr", 4},  {"april", 4},    {"may", 5},    {"jun", 6},       {"june", 6}, {"jul", 7},
    {"july", 7}, {"aug", 8},      {"august", 8}, {"sep", 9},       {"sept", 9}, {"september", 9},
    {"oct", 10}, {"october", 10}, {"nov", 11},   {"november", 11}, {"dec", 12}, {"december", 12},
}};

// 1 = Sunday ... 7 = Saturday, as the calendar numbers weekdays.
constexpr std::array<std::pair<std::string_view, int>, 18> kWeekdays{{
    {"sun", 1},
    {"sunday", 1},
    {"mon", 2},
    {"monday", 2},
    {"tue", 3},
    {"tues", 3},
    {"tuesday", 3},
    {"wed", 4},
    {"weds", 4},
    {"wednesday", 4},
    {"thu", 5},
    {"thur", 5},
    {"thurs", 5},
    {"thursday", 5},
    {"fri", 6},
    {"friday", 6},
    {"sat", 7},
    {"saturday", 7},
}};

template <std::size_t N>
std::optional<int> lookUp(const std::array<std::pair<std::string_view, int>, N>& table, std::string_view word)
{
    for (const auto& [name, value] : table) {
        if (name == word) {
            return value;
        }
    }
    return std::nullopt;
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

char lowerAscii(char16_t c)
{
    return static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
}

// Letters, digits and combining marks of any script continue a word, so that
// "5pmé" or "Friday٣" is not read as a date.
bool isWordCharacter(UChar32 c)
{
    return u_isalnum(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// One pass over the text; each phrase reader starts at a position and returns
// where the phrase ends, or nothing. No reader looks further than the phrase it
// reads, so the whole scan stays linear in the length of the text.
class Scanner {
public:
    Scanner(std::u16string_view text, double now, const Calendar& calendar)
        : text_(text), now_(now), calendar_(calendar), today_(calendar.components(now))
    {
    }

    std::vector<DateRecognizer::Match> run()
    {
        std::vector<DateRecognizer::Match> found;
        std::size_t i = 0;
        while (i < text_.size()) {
            if ((isAsciiLetter(text_[i]) || isAsciiDigit(text_[i])) && startsWord(i)) {
                if (auto match = matchAt(i)) {
                    i = match->range.end();
                    found.push_back(*match);
                    continue;
                }
            }
            ++i;
        }
        return found;
    }

private:
    bool isValidDay(int year, int month, int day) const
    {
        return year >= 1 && day >= 1 && day <= calendar_.daysInMonth(year, month);
    }

    std::optional<DateRecognizer::Match> matchAt(std::size_t start) const
    {
        if (auto relative = relativePhrase(start); relative && relative->unit != RelativeUnit::Day) {
            const double seconds = relative->unit == RelativeUnit::Hour ? 3600.0 : 60.0;
            return DateRecognizer::Match{
                {start, relative->end - start}, now_ + seconds * relative->amount, false};
        }
        if (auto day = dayPhrase(start)) {
            std::optional<DateRecognizer::Match> match;
            if (auto time = joinedTime(day->end)) {
                match = timed(start, time->end, day->day, time->time);
            } else if (day->impliedTime) {
                match = timed(start, day->end, day->day, *day->impliedTime);
            } else {
                match = dayOnly(start, day->end, day->day);
            }
            if (match) {
                match->namesWeekday = day->isWeekday;
            }
            return match;
        }
        if (auto time = timePhrase(start)) {
            return timed(start, time->end, todayDay(0), time->time);
        }
        return std::nullopt;
    }

    std::optional<DateRecognizer::Match> timed(std::size_t start, std::size_t end, const Day& day,
                                               const TimeOfDay& time) const
    {
        return resolved(start, end, day, time, false);
    }

    std::optional<DateRecognizer::Match> dayOnly(std::size_t start, std::size_t end, const Day& day) const
    {
        return resolved(start, end, day, TimeOfDay{kDayOnlyHour, 0}, true);
    }

    std::optional<DateRecognizer::Match> resolved(std::size_t start, std::size_t end, const Day& day,
                                                  const TimeOfDay& time, bool isDayOnly) const
    {
        // Texts that repeat a date ("today ... today") resolve it once.
        const ResolvedDate key{day.year, day.month, day.day, time.hour, time.minute, std::nullopt};
        auto& slot = resolvedDates_[key.slot()];
        if (!slot || !slot->sameWallTime(key)) {
            slot = key;
            slot->date = calendar_.date({day.year, day.month, day.day, time.hour, time.minute, 0, 0});
        }
        const auto& date = slot->date;
        if (!date) {
            return std::nullopt;
        }
        return DateRecognizer::Match{{start, end - start}, *date, isDayOnly};
    }

    Day todayDay(int offset) const { return Day{today_.year, today_.month, today_.day + offset}; }

    // --- Days ---

    std::optional<DayPhrase> dayPhrase(std::size_t i) const
    {
        if (isAsciiDigit(text_[i])) {
            if (auto numeric = numericDate(i)) {
                return numeric;
            }
            return dayFirstDate(i);
        }
        const auto w = word(i);
        if (!w) {
            return std::nullopt;
        }
        if (w->text == "today") {
            return DayPhrase{w->end, todayDay(0), std::nullopt};
        }
        if (w->text == "tomorrow") {
            return DayPhrase{w->end, todayDay(1), std::nullopt};
        }
        if (w->text == "tonight") {
            return DayPhrase{w->end, todayDay(0), TimeOfDay{kTonightHour, 0}};
        }
        if (w->text == "the") {
            const auto next = skipSpaces(w->end);
            return next > w->end ? dayAfterTomorrow(next) : std::nullopt;
        }
        if (w->text == "day") {
            return dayAfterTomorrow(i);
        }
        if (w->text == "this" || w->text == "next") {
            const auto next = skipSpaces(w->end);
            const auto weekday = next > w->end ? word(next) : std::nullopt;
            const auto number = weekday ? lookUp(kWeekdays, weekday->text) : std::nullopt;
            if (!number) {
                return std::nullopt;
            }
            return DayPhrase{weekday->end, weekdayDay(*number, w->text == "next"), std::nullopt, true};
        }
        if (const auto weekday = lookUp(kWeekdays, w->text)) {
            return DayPhrase{w->end, weekdayDay(*weekday, false), std::nullopt, true};
        }
        if (const auto month = lookUp(kMonths, w->text)) {
            return monthFirstDate(*month, w->end);
        }
        if (auto relative = relativePhrase(i); relative && relative->unit == RelativeUnit::Day) {
            return DayPhrase{relative->end, todayDay(relative->amount), std::nullopt};
        }
        return std::nullopt;
    }

    std::optional<DayPhrase> dayAfterTomorrow(std::size_t i) const
    {
        std::size_t end = i;
        for (const std::string_view expected : {"day", "after", "tomorrow"}) {
            if (end != i) {
                const auto next = skipSpaces(end);
                if (next == end) {
                    return std::nullopt;
                }
                end = next;
            }
            const auto w = word(end);
            if (!w || w->text != expected) {
                return std::nullopt;
            }
            end = w->end;
        }
        return DayPhrase{end, todayDay(2), std::nullopt};
    }

    Day weekdayDay(int weekday, bool next) const
    {
        int ahead = (weekday - today_.weekday + 7) % 7;
        if (next && ahead == 0) {
            ahead = 7;
        }
        return todayDay(ahead);
    }

    // "March 5", "Mar 5th, 2027", "March 5 2027".
    std::optional<DayPhrase> monthFirstDate(int month, std::size_t afterMonth) const
    {
        const auto dayStart = skipSpaces(afterMonth);
        if (dayStart == afterMonth) {
            return std::nullopt;
        }
        const auto day = dayOfMonth(dayStart);
        if (!day) {
            return std::nullopt;
        }
        return withOptionalYear(month, day->value, day->end);
    }

    // "5 March", "5th March 2027".
    std::optional<DayPhrase> dayFirstDate(std::size_t i) const
    {
        const auto day = dayOfMonth(i);
        if (!day) {
            return std::nullopt;
        }
        const auto monthStart = skipSpaces(day->end);
        const auto w = monthStart > day->end ? word(monthStart) : std::nullopt;
        const auto month = w ? lookUp(kMonths, w->text) : std::nullopt;
        if (!month) {
            return std::nullopt;
        }
        return withOptionalYear(*month, day->value, w->end);
    }

    std::optional<DayPhrase> withOptionalYear(int month, int day, std::size_t end) const
    {
        int year = today_.year;
        auto next = skipSpaces(end);
        if (next < text_.size() && text_[next] == u',') {
            next = skipSpaces(next + 1);
        }
        if (next > end) {
            if (const auto y = number(next); y && y->digits == 4 && boundaryAt(y->end)) {
                year = y->value;
                end = y->end;
            }
        }
        if (!isValidDay(year, month, day)) {
            return std::nullopt;
        }
        return DayPhrase{end, Day{year, month, day}, std::nullopt};
    }

    // One or two digits with an optional ordinal ending: "5", "05", "5th", "22nd".
    std::optional<Number> dayOfMonth(std::size_t i) const
    {
        auto day = number(i);
        if (!day || day->digits > 2 || day->value < 1 || day->value > 31) {
            return std::nullopt;
        }
        if (day->end < text_.size() && isAsciiLetter(text_[day->end])) {
            const auto suffix = word(day->end);
            if (!suffix || (suffix->text != "st" && suffix->text != "nd" && suffix->text != "rd" &&
                            suffix->text != "th")) {
                return std::nullopt;
            }
            day->end = suffix->end;
        }
        return boundaryAt(day->end) ? day : std::nullopt;
    }

    // "3/5", "3/5/27", "3/5/2027" (month first) and "2027-03-05".
    std::optional<DayPhrase> numericDate(std::size_t i) const
    {
        const auto first = number(i);
        if (!first || first->end >= text_.size()) {
            return std::nullopt;
        }
        if (first->digits == 4 && text_[first->end] == u'-') {
            const auto month = number(first->end + 1);
            if (!month || month->digits > 2 || month->end >= text_.size() || text_[month->end] != u'-') {
                return std::nullopt;
            }
            const auto day = number(month->end + 1);
            if (!day || day->digits > 2 || !boundaryAt(day->end) ||
                !isValidDay(first->value, month->value, day->value)) {
                return std::nullopt;
            }
            return DayPhrase{day->end, Day{first->value, month->value, day->value}, std::nullopt};
        }
        if (first->digits > 2 || text_[first->end] != u'/') {
            return std::nullopt;
        }
        const auto day = number(first->end + 1);
        if (!day || day->digits > 2) {
            return std::nullopt;
        }
        int year = today_.year;
        std::size_t end = day->end;
        if (end < text_.size() && text_[end] == u'/') {
            if (const auto y = number(end + 1);
                y && (y->digits == 2 || y->digits == 4) && boundaryAt(y->end)) {
                year = y->digits == 2 ? 2000 + y->value : y->value;
                end = y->end;
            }
        }
        if (!boundaryAt(day->end) || !isValidDay(year, first->value, day->value)) {
            return std::nullopt;
        }
        return DayPhrase{end, Day{year, first->value, day->value}, std::nullopt};
    }

    // "in 3 days", "in 20 minutes", "in 2 hrs".
    std::optional<RelativePhrase> relativePhrase(std::size_t i) const
    {
        const auto in = word(i);
        if (!in || in->text != "in") {
            return std::nullopt;
        }
        const auto numberStart = skipSpaces(in->end);
        const auto amount = numberStart > in->end ? number(numberStart) : std::nullopt;
        if (!amount) {
            return std::nullopt;
        }
        const auto unit = word(skipSpaces(amount->end));
        if (!unit) {
            return std::nullopt;
        }
        const auto& u = unit->text;
        if (u == "minute" || u == "minutes" || u == "min" || u == "mins") {
            return RelativePhrase{unit->end, RelativeUnit::Minute, amount->value};
        }
        if (u == "hour" || u == "hours" || u == "hr" || u == "hrs") {
            return RelativePhrase{unit->end, RelativeUnit::Hour, amount->value};
        }
        if (u == "day" || u == "days") {
            return RelativePhrase{unit->end, RelativeUnit::Day, amount->value};
        }
        return std::nullopt;
    }

    // --- Times ---

    // A time after a day, with nothing, "at", "@" or a comma between them.
    std::optional<TimePhrase> joinedTime(std::size_t afterDay) const
    {
        auto next = skipSpaces(afterDay);
        if (next >= text_.size()) {
            return std::nullopt;
        }
        if (const auto w = word(next); w && w->text == "at") {
            next = skipSpaces(w->end);
        } else if (text_[next] == u'@' || text_[next] == u',') {
            next = skipSpaces(next + 1);
        }
        if (next >= text_.size()) {
            return std::nullopt;
        }
        return timePhrase(next);
    }

    std::optional<TimePhrase> timePhrase(std::size_t i) const
    {
        if (const auto w = word(i)) {
            if (w->text == "noon") {
                return TimePhrase{w->end, TimeOfDay{12, 0}};
            }
            if (w->text == "midnight") {
                return TimePhrase{w->end, TimeOfDay{0, 0}};
            }
            return std::nullopt;
        }
        const auto hour = number(i);
        if (!hour || hour->digits > 2) {
            return std::nullopt;
        }
        if (hour->end < text_.size() && text_[hour->end] == u':') {
            const auto minute = number(hour->end + 1);
            if (!minute || minute->digits != 2 || minute->value > 59 || dottedMeridiemAfter(minute->end)) {
                return std::nullopt;
            }
            if (const auto meridiem = meridiemAfter(minute->end);
                meridiem && hour->value >= 1 && hour->value <= 12) {
                return TimePhrase{meridiem->end,
                                  TimeOfDay{twelveHour(hour->value, meridiem->text), minute->value}};
            }
            if (hour->value > 23 || !boundaryAt(minute->end)) {
                return std::nullopt;
            }
            return TimePhrase{minute->end, TimeOfDay{hour->value, minute->value}};
        }
        const auto meridiem = meridiemAfter(hour->end);
        if (!meridiem || hour->value < 1 || hour->value > 12) {
            return std::nullopt;
        }
        return TimePhrase{meridiem->end, TimeOfDay{twelveHour(hour->value, meridiem->text), 0}};
    }

    std::optional<Word> meridiemAfter(std::size_t i) const
    {
        auto w = word(skipSpaces(i));
        if (w && (w->text == "am" || w->text == "pm")) {
            return w;
        }
        return std::nullopt;
    }

    // "a.m." or "p.m." is not read; the time in front of it is left alone
    // rather than misread as a morning time ("7:45 p.m." is not 07:45).
    bool dottedMeridiemAfter(std::size_t i) const
    {
        const auto k = skipSpaces(i);
        if (k + 4 > text_.size()) {
            return false;
        }
        const char first = lowerAscii(text_[k]);
        return (first == 'a' || first == 'p') && text_[k + 1] == u'.' && lowerAscii(text_[k + 2]) == 'm' &&
               text_[k + 3] == u'.';
    }

    static int twelveHour(int hour, std::string_view meridiem)
    {
        const int base = hour == 12 ? 0 : hour;
        return meridiem == "pm" ? base + 12 : base;
    }

    // --- Characters ---

    // The ASCII letters at `i`, lower-cased, when they make a whole word.
    std::optional<Word> word(std::size_t i) const
    {
        Word w;
        std::size_t end = i;
        while (end < text_.size() && isAsciiLetter(text_[end])) {
            if (w.text.size() == kLongestKeyword) {
                return std::nullopt;
            }
            w.text.push_back(lowerAscii(text_[end]));
            ++end;
        }
        if (w.text.empty() || !boundaryAt(end)) {
            return std::nullopt;
        }
        w.end = end;
        return w;
    }

    // The ASCII digits at `i`; runs longer than any number read here give nothing.
    std::optional<Number> number(std::size_t i) const
    {
        Number n;
        std::size_t end = i;
        while (end < text_.size() && isAsciiDigit(text_[end])) {
            if (end - i == kLongestNumber) {
                return std::nullopt;
            }
            n.value = n.value * 10 + (text_[end] - u'0');
            ++end;
        }
        if (end == i) {
            return std::nullopt;
        }
        n.digits = end - i;
        n.end = end;
        return n;
    }

    std::size_t skipSpaces(std::size_t i) const
    {
        while (i < text_.size() && u_isUWhiteSpace(text_[i])) {
            ++i;
        }
        return i;
    }

    UChar32 codePointAt(std::size_t i) const
    {
        const char16_t unit = text_[i];
        if (U16_IS_LEAD(unit) && i + 1 < text_.size() && U16_IS_TRAIL(text_[i + 1])) {
            return U16_GET_SUPPLEMENTARY(unit, text_[i + 1]);
        }
        return unit;
    }

    UChar32 codePointBefore(std::size_t i) const
    {
        const char16_t unit = text_[i - 1];
        if (U16_IS_TRAIL(unit) && i >= 2 && U16_IS_LEAD(text_[i - 2])) {
            return U16_GET_SUPPLEMENTARY(text_[i - 2], unit);
        }
        return unit;
    }

    bool boundaryAt(std::size_t i) const { return i >= text_.size() || !isWordCharacter(codePointAt(i)); }
    bool startsWord(std::size_t i) const { return i == 0 || !isWordCharacter(codePointBefore(i)); }

    std::u16string_view text_;
    double now_;
    const Calendar& calendar_;
    DateComponents today_;
    // A small direct-mapped cache: no allocation per match, and a text full of
    // distinct dates costs no more than one without the cache.
    mutable std::array<std::optional<ResolvedDate>, 64> resolvedDates_;
};

}  // namespace

std::vector<DateRecognizer::Match> DateRecognizer::matches(std::u16string_view text, double now,
                                                           const Calendar& calendar)
{
    if (!std::isfinite(now)) {
        return {};
    }
    return Scanner(text, now, calendar).run();
}

}  // namespace qm
