#include "base/UtcTimestamp.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include "base/Text.h"

namespace qm {

namespace {

constexpr double kMillisPerSecond = 1000.0;
constexpr const char16_t* kWritePattern = u"uuuu-MM-dd'T'HH:mm:ss'Z'";
constexpr const char16_t* kReadPattern = u"uuuu-MM-dd'T'HH:mm:ssXXX";

// A formatter in UTC on the Gregorian calendar extended back before its
// introduction in 1582, which is how ISO 8601 numbers days; null without ICU's data.
std::unique_ptr<icu::SimpleDateFormat> makeFormatter(const char16_t* pattern)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale posix("en_US_POSIX");
    auto calendar = std::make_unique<icu::GregorianCalendar>(icu::TimeZone::getGMT()->clone(), posix, status);
    calendar->setGregorianChange(U_DATE_MIN, status);
    calendar->setLenient(false);
    auto formatter = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(pattern), posix, status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    formatter->adoptCalendar(calendar.release());
    formatter->setLenient(false);
    return formatter;
}

// Formatters change state while they work: each thread keeps its own pair.
icu::SimpleDateFormat* writer()
{
    thread_local const auto formatter = makeFormatter(kWritePattern);
    return formatter.get();
}

icu::SimpleDateFormat* reader()
{
    thread_local const auto formatter = makeFormatter(kReadPattern);
    return formatter.get();
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "dddd-dd-ddTdd:dd:dd" then "Z" or "+dd:dd" / "-dd:dd". ICU would also take
// other digit counts and zone forms, which the format does not allow.
bool hasTheShape(std::string_view text)
{
    static constexpr std::string_view kDate = "dddd-dd-ddTdd:dd:dd";
    static constexpr std::string_view kOffset = "+dd:dd";
    if (text.size() != kDate.size() + 1 && text.size() != kDate.size() + kOffset.size()) {
        return false;
    }
    const auto matches = [](std::string_view part, std::string_view shape) {
        return std::equal(shape.begin(), shape.end(), part.begin(), [](char expected, char c) {
            return expected == 'd' ? isDigit(c) : (expected == '+' ? c == '+' || c == '-' : c == expected);
        });
    };
    const std::string_view zone = text.substr(kDate.size());
    return matches(text.substr(0, kDate.size()), kDate) &&
           (zone == "Z" || (zone.size() == kOffset.size() && matches(zone, kOffset)));
}

}  // namespace

std::string UtcTimestamp::format(double time)
{
    const double seconds = std::isfinite(time) ? std::clamp(std::floor(time), kEarliest, kLatest) : 0.0;
    icu::SimpleDateFormat* formatter = writer();
    if (!formatter) {
        return {};
    }
    icu::UnicodeString out;
    formatter->format(seconds * kMillisPerSecond, out);
    return text::toUtf8(std::u16string_view(out.getBuffer(), static_cast<std::size_t>(out.length())));
}

std::string UtcTimestamp::description(double time)
{
    std::string text = format(time);
    // "2026-12-07T22:01:57Z" -> "2026-12-07 22:01:57 +0000"
    if (text.size() != 20) {
        return text;
    }
    text[10] = ' ';
    text.replace(19, 1, " +0000");
    return text;
}

std::optional<double> UtcTimestamp::parse(std::string_view text)
{
    icu::SimpleDateFormat* formatter = reader();
    if (!formatter || !hasTheShape(text)) {
        return std::nullopt;
    }
    const icu::UnicodeString input =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
    icu::ParsePosition position(0);
    const double millis = formatter->parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length() || !std::isfinite(millis)) {
        return std::nullopt;
    }
    return millis / kMillisPerSecond;
}

}  // namespace qm
