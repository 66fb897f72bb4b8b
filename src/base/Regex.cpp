#include "base/Regex.h"

#include <cstdint>

#include <fmt/format.h>
#include <unicode/regex.h>
#include <unicode/utypes.h>

#include "base/Log.h"
#include "base/Text.h"

namespace qm {

namespace {

// ICU counts work in steps of about ten thousand matcher operations; this
// budget stops a runaway backtracking search within a fraction of a second,
// far above what any of the system's patterns needs on the texts it sees.
constexpr std::int32_t kTimeLimitSteps = 1500;

icu::UnicodeString alias(std::u16string_view utf16)
{
    return icu::UnicodeString(false, utf16.data(), static_cast<std::int32_t>(utf16.size()));
}

std::uint32_t flagsFor(const Regex::Options& options)
{
    std::uint32_t flags = 0;
    if (options.caseInsensitive) {
        flags |= UREGEX_CASE_INSENSITIVE;
    }
    if (options.anchorsMatchLines) {
        flags |= UREGEX_MULTILINE;
    }
    if (options.dotMatchesLineSeparators) {
        flags |= UREGEX_DOTALL;
    }
    return flags;
}

// A matcher over `input` with the limits set; nothing if ICU refuses one.
std::unique_ptr<icu::RegexMatcher> matcherFor(const icu::RegexPattern& pattern,
                                              const icu::UnicodeString& input)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(input, status));
    if (U_FAILURE(status)) {
        return nullptr;
    }
    matcher->setTimeLimit(kTimeLimitSteps, status);
    return U_SUCCESS(status) ? std::move(matcher) : nullptr;
}

Regex::Match currentMatch(const icu::RegexMatcher& matcher)
{
    Regex::Match match;
    const auto groups = matcher.groupCount();
    match.ranges.reserve(static_cast<std::size_t>(groups) + 1);
    for (std::int32_t group = 0; group <= groups; ++group) {
        UErrorCode status = U_ZERO_ERROR;
        const auto start = matcher.start(group, status);
        const auto end = matcher.end(group, status);
        if (U_FAILURE(status) || start < 0 || end < start) {
            match.ranges.emplace_back(std::nullopt);
        } else {
            match.ranges.emplace_back(
                Utf16Range{static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)});
        }
    }
    return match;
}

void reportAbandoned(UErrorCode status, std::size_t patternLength)
{
    // Neither the pattern nor the text goes to the log: either may hold what
    // the user typed.
    Log::log(fmt::format("⚠️ Regex: search abandoned ({}) for a pattern of {} characters",
                         u_errorName(status), patternLength));
}

}  // namespace

Regex::Regex(std::string pattern, std::shared_ptr<const icu::RegexPattern> compiled)
    : pattern_(std::move(pattern)), compiled_(std::move(compiled))
{
}

std::optional<Regex> Regex::compile(std::string_view pattern, std::string* error)
{
    return compile(pattern, Options{}, error);
}

std::optional<Regex> Regex::compile(std::string_view pattern, const Options& options, std::string* error)
{
    const auto utf16 = text::toUtf16(pattern);
    UParseError where{};
    UErrorCode status = U_ZERO_ERROR;
    std::shared_ptr<const icu::RegexPattern> compiled(
        icu::RegexPattern::compile(alias(utf16), flagsFor(options), where, status));
    if (U_FAILURE(status) || !compiled) {
        if (error) {
            *error = fmt::format("The value “{}” is invalid. ({} at offset {})", pattern, u_errorName(status),
                                 where.offset);
        }
        return std::nullopt;
    }
    return Regex(std::string(pattern), std::move(compiled));
}

std::size_t Regex::captureGroupCount() const
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled_->matcher(status));
    return matcher && U_SUCCESS(status) ? static_cast<std::size_t>(matcher->groupCount()) : 0;
}

std::optional<Regex::Match> Regex::firstMatch(std::string_view utf8) const
{
    return firstMatch(std::u16string_view(text::toUtf16(utf8)));
}

std::optional<Regex::Match> Regex::firstMatch(std::u16string_view utf16) const
{
    const auto input = alias(utf16);
    auto matcher = matcherFor(*compiled_, input);
    if (!matcher) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    if (matcher->find(status) && U_SUCCESS(status)) {
        return currentMatch(*matcher);
    }
    if (U_FAILURE(status)) {
        reportAbandoned(status, pattern_.size());
    }
    return std::nullopt;
}

std::vector<Regex::Match> Regex::allMatches(std::string_view utf8) const
{
    return allMatches(std::u16string_view(text::toUtf16(utf8)));
}

std::vector<Regex::Match> Regex::allMatches(std::u16string_view utf16) const
{
    std::vector<Match> matches;
    const auto input = alias(utf16);
    auto matcher = matcherFor(*compiled_, input);
    if (!matcher) {
        return matches;
    }
    UErrorCode status = U_ZERO_ERROR;
    while (matcher->find(status) && U_SUCCESS(status)) {
        matches.push_back(currentMatch(*matcher));
    }
    if (U_FAILURE(status)) {
        reportAbandoned(status, pattern_.size());
    }
    return matches;
}

bool Regex::hasMatch(std::string_view utf8) const
{
    return firstMatch(utf8).has_value();
}

bool Regex::hasMatch(std::u16string_view utf16) const
{
    return firstMatch(utf16).has_value();
}

std::string Regex::replaceAll(std::string_view utf8, std::string_view replacementTemplate) const
{
    const auto utf16 = text::toUtf16(utf8);
    const auto input = alias(utf16);
    auto matcher = matcherFor(*compiled_, input);
    if (!matcher) {
        return std::string(utf8);
    }
    // ICU's own replaceAll drops a time-out and would hand back a text replaced
    // only in part, so the loop is spelled out with a status on every step.
    const auto templateUtf16 = text::toUtf16(replacementTemplate);
    const auto replacement = alias(templateUtf16);
    icu::UnicodeString replaced;
    UErrorCode status = U_ZERO_ERROR;
    while (matcher->find(status) && U_SUCCESS(status)) {
        matcher->appendReplacement(replaced, replacement, status);
        if (U_FAILURE(status)) {
            return std::string(utf8);
        }
    }
    if (U_FAILURE(status)) {
        reportAbandoned(status, pattern_.size());
        return std::string(utf8);
    }
    matcher->appendTail(replaced);
    return text::toUtf8(
        std::u16string_view(replaced.getBuffer(), static_cast<std::size_t>(replaced.length())));
}

}  // namespace qm
