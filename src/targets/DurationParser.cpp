#include "targets/DurationParser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <fmt/format.h>

#include "base/Regex.h"
#include "base/Text.h"

namespace qm {

namespace {

constexpr double kMinInterval = 60.0;

// The leading (?<!\d) changes no match (a token never starts inside a run of
// digits: the run's first digit would start it) but keeps the search from
// retrying at every digit of a long run, which is quadratic.
constexpr std::string_view kTokenPattern =
    R"((?i)(?<!\d)(\d+(?:\.\d+)?)\s*(h(?:ours?|rs?)?|m(?:in(?:ute)?s?)?|s(?:ec(?:ond)?s?)?)(?![a-z]))";

// A decimal number in ASCII digits with a full stop, independent of the C
// locale. \d also matches digits of other scripts; those do not read.
std::optional<double> readDecimal(std::string_view digits)
{
    double value = 0;
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (error == std::errc::result_out_of_range && end == last) {
        // Too many digits for a double: far too long a timer, or a vanishing fraction.
        const bool large = std::any_of(first, std::find(first, last, '.'), [](char c) { return c != '0'; });
        return large ? std::numeric_limits<double>::infinity() : 0.0;
    }
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

std::string textOf(std::u16string_view text, Utf16Range range)
{
    return text::toUtf8(text.substr(range.location, range.length));
}

}  // namespace

DurationParseResult DurationParser::parse(std::string_view text)
{
    const auto trimmedText = text::trimmed(text);
    if (trimmedText.empty()) {
        throw DurationParserError(DurationParserError::emptyInput);
    }
    static const auto tokenPattern = Regex::compile(kTokenPattern);
    if (!tokenPattern) {
        throw DurationParserError(DurationParserError::invalidFormat);
    }
    const auto utf16 = text::toUtf16(trimmedText);
    const auto matches = tokenPattern->allMatches(std::u16string_view(utf16));
    if (matches.empty()) {
        throw DurationParserError(DurationParserError::invalidFormat);
    }

    double total = 0;
    std::vector<Utf16Range> tokenRanges;
    for (const auto& match : matches) {
        const auto number = match.group(1);
        const auto unit = match.group(2);
        if (!number || !unit || number->end() > utf16.size() || unit->end() > utf16.size()) {
            continue;
        }
        const auto value = readDecimal(textOf(utf16, *number));
        if (!value || *value <= 0) {
            throw DurationParserError(DurationParserError::nonPositiveDuration);
        }
        const auto unitText = text::lowercased(textOf(utf16, *unit));
        double factor = 0;
        switch (unitText.empty() ? '\0' : unitText.front()) {
        case 'h':
            factor = 3600;
            break;
        case 'm':
            factor = 60;
            break;
        case 's':
            factor = 1;
            break;
        default:
            // (?i) also lets letters such as the long s (U+017F) through.
            throw DurationParserError(DurationParserError::invalidFormat);
        }
        total += *value * factor;
        tokenRanges.push_back(match.range());
    }

    if (total <= 0) {
        throw DurationParserError(DurationParserError::nonPositiveDuration);
    }
    if (total < kMinInterval) {
        throw DurationParserError(DurationParserError::belowMinimum);
    }
    if (total > maxInterval) {
        throw DurationParserError(DurationParserError::exceedsMaximum);
    }

    // Tokens come in text order and never overlap: the label is what lies between them.
    std::u16string rest;
    std::size_t copied = 0;
    for (const auto& range : tokenRanges) {
        rest.append(std::u16string_view(utf16).substr(copied, range.location - copied));
        copied = range.end();
    }
    rest.append(std::u16string_view(utf16).substr(copied));
    static const auto whitespace = Regex::compile(R"(\s+)");
    auto label =
        text::trimmed(whitespace ? whitespace->replaceAll(text::toUtf8(rest), " ") : text::toUtf8(rest));

    DurationParseResult result;
    result.interval = total;
    if (!label.empty()) {
        result.label = std::move(label);
    }
    result.displayDuration = formatInterval(total);
    return result;
}

std::string DurationParser::formatInterval(double seconds)
{
    // Clamped so that the conversion stays defined for any input.
    constexpr double kLimit = 9.0e18;
    const double rounded = std::isnan(seconds) ? 0.0 : std::clamp(std::round(seconds), -kLimit, kLimit);
    const auto t = static_cast<std::int64_t>(rounded);
    if (t < 3600) {
        if (t < 60) {
            return fmt::format("{}s", t);
        }
        const auto m = t / 60;
        const auto s = t % 60;
        return s == 0 ? fmt::format("{}m", m) : fmt::format("{}m {}s", m, s);
    }
    const auto h = t / 3600;
    const auto m = (t % 3600) / 60;
    return m == 0 ? fmt::format("{}h", h) : fmt::format("{}h {}m", h, m);
}

}  // namespace qm
