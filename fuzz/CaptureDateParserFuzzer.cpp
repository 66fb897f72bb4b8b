// Random text and random UTF-16 (lone surrogates included) through the date
// recogniser and the capture date parser: no crash, no call slower than linear
// in its input, and every match range inside the text, in order and without overlap.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzBudget.h"
#include "base/Calendar.h"
#include "base/Text.h"
#include "targets/CaptureDateParser.h"
#include "targets/DateRecognizer.h"

namespace {

// Friday 6 March 2026, 23:30 UTC: close to a day's end and two days before
// New York's spring-forward night.
constexpr double kNow = 1772839800.0;
constexpr const char* kName = "CaptureDateParserFuzzer";

void check(bool condition, const char* what)
{
    qm::fuzz::check(kName, condition, what);
}

template <typename Text, typename Call> auto linearIn(const char* name, const Text& input, Call call)
{
    return qm::fuzz::linearIn(kName, name, input, call);
}

void checkMatches(const std::vector<qm::DateRecognizer::Match>& matches, std::u16string_view text)
{
    std::size_t previousEnd = 0;
    for (const auto& match : matches) {
        check(match.range.length > 0, "empty match");
        check(match.range.location >= previousEnd, "matches overlap or are out of order");
        check(match.range.location <= text.size() && match.range.length <= text.size() - match.range.location,
              "match range outside the text");
        previousEnd = match.range.end();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("TZ", "America/New_York", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string utf8(reinterpret_cast<const char*>(data), size);
    const auto calendar = qm::Calendar::current();

    const auto utf16 = qm::text::toUtf16(utf8);
    const auto recognise = [&](const std::u16string& units) {
        return qm::DateRecognizer::matches(units, kNow, calendar);
    };
    checkMatches(linearIn("matches(UTF-8)", utf16, recognise), utf16);

    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    checkMatches(linearIn("matches(UTF-16)", units, recognise), units);

    const auto parsed = linearIn("parseTitleAndDate", utf8, [](const std::string& line) {
        return qm::CaptureDateParser::parseTitleAndDate(line, kNow);
    });
    check(parsed.date || !parsed.hasTime, "a time without a date");
    check(!parsed.date || !parsed.title.empty(), "empty title next to a date");

    const auto alarm = linearIn("parseAlarm", utf8, [](const std::string& line) {
        return qm::CaptureDateParser::parseAlarm(line, kNow);
    });
    check(alarm.date || !alarm.hasTime, "an alarm time without a date");
    check(!alarm.date || !alarm.title.empty(), "empty alarm title next to a date");

    qm::CaptureDateParser::dateWithDefaultMorningTime(alarm);
    linearIn("checkHasTimePattern", utf8,
             [](const std::string& line) { return qm::checkHasTimePattern(line); });
    linearIn("stripTrailingPrepositions", utf8,
             [](const std::string& line) { return qm::stripTrailingPrepositions(line); });
    return 0;
}
