// Random text and random UTF-16 (lone surrogates included) through the date
// recogniser and the capture date parser: no crash, no runaway time, and every
// match range inside the text, in order and without overlap.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <time.h>

#include "base/Calendar.h"
#include "base/Text.h"
#include "targets/CaptureDateParser.h"
#include "targets/DateRecognizer.h"

namespace {

// Friday 6 March 2026, 23:30 UTC: close to a day's end and two days before
// New York's spring-forward night.
constexpr double kNow = 1772839800.0;
constexpr double kBudgetSeconds = 0.010;

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "CaptureDateParserFuzzer: %s\n", what);
        std::abort();
    }
}

void checkMatches(std::u16string_view text, const qm::Calendar& calendar)
{
    std::size_t previousEnd = 0;
    for (const auto& match : qm::DateRecognizer::matches(text, kNow, calendar)) {
        check(match.range.length > 0, "empty match");
        check(match.range.location >= previousEnd, "matches overlap or are out of order");
        check(match.range.location <= text.size() && match.range.length <= text.size() - match.range.location,
              "match range outside the text");
        previousEnd = match.range.end();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("TZ", "America/New_York", 1);
    return 0;
}

static void exercise(const std::uint8_t* data, std::size_t size)
{
    const std::string_view utf8(reinterpret_cast<const char*>(data), size);
    const auto calendar = qm::Calendar::current();
    checkMatches(qm::text::toUtf16(utf8), calendar);

    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    checkMatches(units, calendar);

    const auto parsed = qm::CaptureDateParser::parseTitleAndDate(utf8, kNow);
    check(parsed.date || !parsed.hasTime, "a time without a date");
    if (parsed.date) {
        check(!parsed.title.empty(), "empty title next to a date");
    }
    const auto alarm = qm::CaptureDateParser::parseAlarm(utf8, kNow);
    check(alarm.date || !alarm.hasTime, "an alarm time without a date");
    qm::CaptureDateParser::dateWithDefaultMorningTime(alarm);
    qm::checkHasTimePattern(utf8);
    qm::stripTrailingPrepositions(utf8);
}

// An input over the budget is run again: ICU builds some of its tables on first
// use, and only an input that is slow every time is a fault.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    for (int attempt = 0;; ++attempt) {
        const double start = cpuSeconds();
        exercise(data, size);
        const double spent = cpuSeconds() - start;
        if (spent <= kBudgetSeconds) {
            return 0;
        }
        if (attempt == 1) {
            std::fprintf(stderr, "CaptureDateParserFuzzer: %.1f ms for %zu bytes\n", spent * 1000, size);
            std::abort();
        }
    }
}
