#include "targets/CaptureDateParser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <vector>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "base/Calendar.h"
#include "base/Regex.h"
#include "base/Text.h"
#include "targets/DateRecognizer.h"

namespace qm {

namespace {

constexpr int kMostRollForwardDays = 370;

// A clock time the recogniser did not report; the final alternative lets a
// match end after the period of "a.m." or "p.m.", where \b cannot.
constexpr std::string_view kClockTimePattern =
    R"((?i)\b(?:at\s+)?(\d{1,2})(?::(\d{2}))?\s*(am|pm|a\.m\.|p\.m\.)?(?:\b|(?<=\.)))";

constexpr std::string_view kAtNumberPattern = R"(\b(at|around|@)\s*\d+)";
// "in 20 minutes" names a time of day as surely as "at 5" does; without this
// an alarm "in 20 minutes" would fall back to the clock time 20:00.
constexpr std::string_view kRelativeTimePattern = R"(\bin\s+\d+\s*(?:minutes?|mins?|hours?|hrs?)\b)";

struct MatchInfo {
    double date = 0;
    Utf16Range range;
    bool hasTime = false;
    bool namesWeekday = false;
};

struct SupplementalClockTime {
    int hour = 0;
    int minute = 0;
    std::optional<Utf16Range> range;
};

bool fitsIn(const Utf16Range& range, std::u16string_view text)
{
    return range.location <= text.size() && range.length <= text.size() - range.location;
}

std::string textOf(std::u16string_view text, const Utf16Range& range)
{
    return text::toUtf8(text.substr(range.location, range.length));
}

bool containsDecimalDigit(std::string_view utf8)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto length = static_cast<std::int32_t>(std::min<std::size_t>(utf8.size(), INT32_MAX));
    for (std::int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c >= 0 && u_charType(c) == U_DECIMAL_DIGIT_NUMBER) {
            return true;
        }
    }
    return false;
}

// Compiled patterns are immutable and shared by every caller and thread.
bool hasMatch(const std::optional<Regex>& pattern, std::string_view text)
{
    return pattern && pattern->hasMatch(text);
}

std::string collapseWhitespace(std::string_view text)
{
    static const auto whitespace = Regex::compile(R"(\s+)");
    return whitespace ? whitespace->replaceAll(text, " ") : std::string(text);
}

std::u16string withoutRanges(std::u16string text, std::vector<Utf16Range> ranges)
{
    std::sort(ranges.begin(), ranges.end(),
              [](const Utf16Range& a, const Utf16Range& b) { return a.location > b.location; });
    for (const auto& range : ranges) {
        if (fitsIn(range, text)) {
            text.erase(range.location, range.length);
        }
    }
    return text;
}

bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char a, char b) {
                          const auto lower = [](char c) {
                              return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
                          };
                          return lower(a) == lower(b);
                      });
}

bool areAdjacent(const Utf16Range& a, const Utf16Range& b, std::u16string_view text)
{
    const auto& earlier = a.location <= b.location ? a : b;
    const auto& later = a.location <= b.location ? b : a;
    if (later.location < earlier.end() || later.location > text.size()) {
        return false;
    }
    const auto gap =
        text::trimmed(text::lowercased(textOf(text, {earlier.end(), later.location - earlier.end()})));
    return gap.empty() || gap == "at" || gap == "on" || gap == "," || gap == "@";
}

std::optional<int> readInteger(std::string_view digits)
{
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

// Only the first match of the pattern counts: "30 pushups at 7" has no clock time.
std::optional<SupplementalClockTime> supplementalClockTime(std::u16string_view text)
{
    static const auto pattern = Regex::compile(kClockTimePattern);
    const auto match = pattern ? pattern->firstMatch(text) : std::nullopt;
    if (!match) {
        return std::nullopt;
    }
    const auto hourRange = match->group(1);
    if (!hourRange || !fitsIn(*hourRange, text)) {
        return std::nullopt;
    }
    auto hour = readInteger(textOf(text, *hourRange));
    if (!hour) {
        return std::nullopt;
    }
    int minute = 0;
    if (const auto minuteRange = match->group(2); minuteRange && fitsIn(*minuteRange, text)) {
        minute = readInteger(textOf(text, *minuteRange)).value_or(0);
    }
    if (const auto meridiemRange = match->group(3); meridiemRange && fitsIn(*meridiemRange, text)) {
        const auto meridiem = text::lowercased(textOf(text, *meridiemRange));
        if (meridiem.starts_with('p') && *hour <= 11) {
            *hour += 12;
        } else if (meridiem.starts_with('a') && *hour == 12) {
            *hour = 0;
        }
    }
    if (*hour < 0 || *hour > 23 || minute < 0 || minute > 59) {
        return std::nullopt;
    }
    SupplementalClockTime clock{*hour, minute, std::nullopt};
    if (fitsIn(match->range(), text)) {
        clock.range = match->range();
    }
    return clock;
}

}  // namespace

CaptureDateParseResult CaptureDateParser::parseTitleAndDate(std::string_view text, double referenceDate)
{
    const auto calendar = Calendar::current();
    const auto utf16 = text::toUtf16(text);

    std::vector<MatchInfo> infos;
    for (const auto& match : DateRecognizer::matches(utf16, referenceDate, calendar)) {
        if (!fitsIn(match.range, utf16)) {
            continue;
        }
        infos.push_back(
            {match.date, match.range, checkHasTimePattern(textOf(utf16, match.range)), match.namesWeekday});
    }
    if (infos.empty()) {
        return {std::string(text), std::nullopt, false};
    }

    const MatchInfo& first = infos.front();
    double date = first.date;
    std::vector<Utf16Range> cut{first.range};
    bool timed = first.hasTime;
    bool weekday = first.namesWeekday;
    if (infos.size() > 1) {
        const auto dayOnly =
            std::find_if(infos.begin(), infos.end(), [](const MatchInfo& m) { return !m.hasTime; });
        const auto withTime =
            std::find_if(infos.begin(), infos.end(), [](const MatchInfo& m) { return m.hasTime; });
        if (dayOnly != infos.end() && withTime != infos.end() &&
            areAdjacent(dayOnly->range, withTime->range, utf16)) {
            const auto day = calendar.components(dayOnly->date);
            const auto time = calendar.components(withTime->date);
            if (const auto joined =
                    calendar.date({day.year, day.month, day.day, time.hour, time.minute, time.second, 0})) {
                date = *joined;
                cut = {dayOnly->range, withTime->range};
                timed = true;
                weekday = dayOnly->namesWeekday;
            }
        } else if (withTime != infos.end()) {
            date = withTime->date;
            cut = {withTime->range};
            timed = true;
            weekday = withTime->namesWeekday;
        }
    }

    if (timed) {
        // A weekday named means that weekday: once its time has passed, the
        // same day next week, never the day after.
        const auto step = weekday ? Calendar::Unit::Week : Calendar::Unit::Day;
        for (int day = 0; day < kMostRollForwardDays && date < referenceDate; day += weekday ? 7 : 1) {
            date = calendar.adding(step, 1, date).value_or(date);
        }
    } else if (calendar.startOfDay(date) < calendar.startOfDay(referenceDate)) {
        date = calendar.adding(Calendar::Unit::Year, 1, date).value_or(date);
    }

    auto title = stripTrailingPrepositions(
        text::trimmed(collapseWhitespace(text::toUtf8(withoutRanges(utf16, std::move(cut))))));
    if (title.empty()) {
        title = "Untitled";
    }
    return {std::move(title), date, timed};
}

CaptureDateParseResult CaptureDateParser::parseAlarm(std::string_view text, double referenceDate)
{
    auto base = parseTitleAndDate(text, referenceDate);
    if (base.date && base.hasTime) {
        return base;
    }
    const auto utf16 = text::toUtf16(text);
    const auto clock = supplementalClockTime(utf16);
    if (!clock) {
        return base;
    }

    const auto calendar = Calendar::current();
    auto parts = calendar.components(base.date.value_or(referenceDate));
    parts.hour = clock->hour;
    parts.minute = clock->minute;
    parts.second = 0;
    auto date = calendar.date(parts);
    if (!date) {
        return {base.title, std::nullopt, false};
    }
    if (*date < referenceDate) {
        date = calendar.adding(Calendar::Unit::Day, 1, *date).value_or(*date);
    }

    std::string title = base.title;
    if (clock->range) {
        title = text::trimmed(collapseWhitespace(
            stripTrailingPrepositions(text::toUtf8(withoutRanges(utf16, {*clock->range})))));
        if (title.empty()) {
            title = "Alarm";
        }
    }
    return {std::move(title), date, true};
}

std::optional<double> CaptureDateParser::dateWithDefaultMorningTime(const CaptureDateParseResult& result,
                                                                    int hour, int minute)
{
    if (!result.date) {
        return std::nullopt;
    }
    if (result.hasTime) {
        return result.date;
    }
    const auto calendar = Calendar::current();
    auto parts = calendar.components(*result.date);
    parts.hour = hour;
    parts.minute = minute;
    parts.second = 0;
    return calendar.date(parts);
}

std::string CaptureDateParser::formatTime(double date)
{
    return Calendar::current().format(date, Calendar::Style::None, Calendar::Style::Short);
}

std::string CaptureDateParser::formatDateTime(double date)
{
    return Calendar::current().format(date, Calendar::Style::Medium, Calendar::Style::Short);
}

bool checkHasTimePattern(std::string_view text)
{
    const auto lower = text::lowercased(text);
    static constexpr std::array<std::string_view, 7> kTimeWords{"am",   "pm",       ":",      "clock",
                                                                "noon", "midnight", "tonight"};
    for (const auto word : kTimeWords) {
        if (lower.find(word) != std::string::npos) {
            return true;
        }
    }
    // Both patterns need a digit (\d is any Unicode decimal digit); most date
    // texts have none, and the scan is far cheaper than a search.
    if (!containsDecimalDigit(lower)) {
        return false;
    }
    static const auto atNumber = Regex::compile(kAtNumberPattern);
    static const auto relativeTime = Regex::compile(kRelativeTimePattern);
    return hasMatch(atNumber, lower) || hasMatch(relativeTime, lower);
}

std::string stripTrailingPrepositions(std::string_view text)
{
    const auto trimmedText = text::trimmed(text);
    static constexpr std::array<std::string_view, 8> kPrepositions{"at",   "on",  "by", "next",
                                                                   "this", "for", "in", "to"};
    for (const auto word : kPrepositions) {
        const std::string blankAndWord = " " + std::string(word);
        if (endsWithIgnoringAsciiCase(trimmedText, blankAndWord)) {
            return text::trimmed(
                std::string_view(trimmedText).substr(0, trimmedText.size() - blankAndWord.size()));
        }
        if (trimmedText.size() == word.size() && endsWithIgnoringAsciiCase(trimmedText, word)) {
            return {};
        }
    }
    return trimmedText;
}

}  // namespace qm
