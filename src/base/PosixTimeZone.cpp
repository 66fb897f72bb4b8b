#include "base/PosixTimeZone.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>

#include <unicode/simpletz.h>
#include <unicode/unistr.h>

namespace qm {

namespace {

constexpr int kMillisPerHour = 3'600'000;
constexpr int kMillisPerDay = 24 * kMillisPerHour;
// When the daylight period starts and ends where a value names none.
constexpr std::string_view kDefaultRules = "M3.2.0,M11.1.0";

// One change of the year, as ICU's SimpleTimeZone takes it.
struct Change {
    int month = 0;             // 0 = January
    int dayOfWeekInMonth = 0;  // 1...4, -1 for the last; the day of the month when dayOfWeek is 0
    int dayOfWeek = 0;         // 1 = Sunday ... 7, or 0 for an exact day of the month
    int millis = 2 * kMillisPerHour;
};

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool atEnd() const { return at_ == text_.size(); }
    bool take(char c)
    {
        if (!atEnd() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    // "JST", or "<+0530>" in angle brackets.
    bool name()
    {
        if (take('<')) {
            const auto close = text_.find('>', at_);
            if (close == std::string_view::npos || close - at_ < 3) {
                return false;
            }
            at_ = close + 1;
            return true;
        }
        const auto start = at_;
        while (!atEnd() && std::isalpha(static_cast<unsigned char>(text_[at_]))) {
            ++at_;
        }
        return at_ - start >= 3;
    }

    std::optional<int> number(int most)
    {
        const auto start = at_;
        int value = 0;
        while (!atEnd() && std::isdigit(static_cast<unsigned char>(text_[at_])) && at_ - start < 3) {
            value = value * 10 + (text_[at_] - '0');
            ++at_;
        }
        if (at_ == start || value > most) {
            return std::nullopt;
        }
        return value;
    }

    // [+|-]hh[:mm[:ss]] in milliseconds, the sign applied.
    std::optional<int> duration(int mostHours)
    {
        const int sign = take('-') ? -1 : (take('+'), 1);
        const auto hours = number(mostHours);
        if (!hours) {
            return std::nullopt;
        }
        int millis = *hours * kMillisPerHour;
        for (const int unit : {60'000, 1'000}) {
            if (!take(':')) {
                break;
            }
            const auto part = number(59);
            if (!part) {
                return std::nullopt;
            }
            millis += *part * unit;
        }
        return sign * millis;
    }

    // "Mm.w.d", "Jn" or "n", then an optional "/time".
    std::optional<Change> change()
    {
        Change result;
        if (take('M')) {
            const auto month = number(12);
            const auto week = take('.') ? number(5) : std::nullopt;
            const auto weekday = take('.') ? number(6) : std::nullopt;
            if (!month || *month < 1 || !week || *week < 1 || !weekday) {
                return std::nullopt;
            }
            result.month = *month - 1;
            result.dayOfWeekInMonth = *week == 5 ? -1 : *week;
            result.dayOfWeek = *weekday + 1;
        } else {
            const bool withoutLeapDay = take('J');
            const auto day = number(365);
            if (!day || (withoutLeapDay && *day < 1)) {
                return std::nullopt;
            }
            // A day of a year without 29 February; counted from 0, "n" is off
            // by one after February in a leap year, which ICU's rules cannot say.
            setDayOfYear(result, withoutLeapDay ? *day : std::min(*day + 1, 365));
        }
        if (take('/')) {
            const auto time = duration(167);
            if (!time || *time < 0 || *time > kMillisPerDay) {
                return std::nullopt;
            }
            result.millis = *time;
        }
        return result;
    }

private:
    static void setDayOfYear(Change& change, int day)
    {
        static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        int month = 0;
        while (day > kDays[static_cast<std::size_t>(month)]) {
            day -= kDays[static_cast<std::size_t>(month)];
            ++month;
        }
        change.month = month;
        change.dayOfWeekInMonth = day;
        change.dayOfWeek = 0;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

icu::UnicodeString idOf(std::string_view value)
{
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(value.data(), static_cast<std::int32_t>(value.size())));
}

}  // namespace

std::unique_ptr<icu::TimeZone> makePosixTimeZone(std::string_view value)
{
    Reader reader(value);
    // POSIX offsets count west of Greenwich: "JST-9" is nine hours ahead.
    if (!reader.name()) {
        return nullptr;
    }
    const auto standard = reader.duration(24);
    if (!standard) {
        return nullptr;
    }
    int raw = -*standard;
    if (reader.atEnd()) {
        return std::make_unique<icu::SimpleTimeZone>(raw, idOf(value));
    }
    if (!reader.name()) {
        return nullptr;
    }
    int daylight = raw + kMillisPerHour;
    if (!reader.atEnd() && !reader.take(',')) {
        const auto offset = reader.duration(24);
        if (!offset) {
            return nullptr;
        }
        daylight = -*offset;
        if (!reader.atEnd() && !reader.take(',')) {
            return nullptr;
        }
    }
    Reader defaults(kDefaultRules);
    Reader& rules = reader.atEnd() ? defaults : reader;
    auto start = rules.change();
    auto end = rules.take(',') ? rules.change() : std::nullopt;
    if (!start || !end || !rules.atEnd()) {
        return nullptr;
    }
    if (daylight == raw) {
        return std::make_unique<icu::SimpleTimeZone>(raw, idOf(value));
    }
    if (daylight < raw) {
        // Summer on the standard offset, winter behind it (Ireland's
        // "IST-1GMT0,M10.5.0,M3.5.0/1"): ICU's saving must be positive, so
        // winter is taken as standard time. Each change time stays in the wall
        // time it was given in, which is then the other period's.
        std::swap(raw, daylight);
        std::swap(start, end);
    }
    UErrorCode status = U_ZERO_ERROR;
    auto zone = std::make_unique<icu::SimpleTimeZone>(
        raw, idOf(value), static_cast<std::int8_t>(start->month),
        static_cast<std::int8_t>(start->dayOfWeekInMonth), static_cast<std::int8_t>(start->dayOfWeek),
        start->millis, icu::SimpleTimeZone::WALL_TIME, static_cast<std::int8_t>(end->month),
        static_cast<std::int8_t>(end->dayOfWeekInMonth), static_cast<std::int8_t>(end->dayOfWeek),
        end->millis, icu::SimpleTimeZone::WALL_TIME, daylight - raw, status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    return zone;
}

}  // namespace qm
