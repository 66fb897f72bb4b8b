#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unicode/uversion.h>

#include "base/Utf16Range.h"

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace qm {

// A compiled regular expression in the ICU dialect that the platform's own
// regular-expression class uses: lookbehind, inline flags such as (?i),
// Unicode-aware \d \w \s \b, back references.
//
// Text goes in as UTF-8 (or UTF-16) and positions come out in UTF-16 code
// units, as the platform reports them; invalid UTF-8 counts as one U+FFFD per
// bad sequence, the same as qm::text::toUtf16. Use qm::text::utf8Slice to get
// the text of a range back.
//
// A Regex is immutable and cheap to copy; one instance may be used from any
// number of threads at once (each call runs its own matcher).
//
// No match can run away: a search that exceeds the step budget (about a
// quarter of a second of work) or the backtracking memory limit is abandoned
// and counts as finding nothing from that point on; earlier matches stand.
// Each abandoned search logs one "⚠️ Regex: search abandoned" line that names
// neither the pattern nor the text.
//
//     auto hours = qm::Regex::compile(R"((\d+)\s*h\b)", {.caseInsensitive = true});
//     if (hours) { for (const auto& m : hours->allMatches(line)) { ... m.group(1) ... } }
class Regex {
public:
    struct Options {
        bool caseInsensitive = false;
        // ^ and $ match at the start and end of every line, not only of the text.
        bool anchorsMatchLines = false;
        // . also matches line terminators.
        bool dotMatchesLineSeparators = false;
    };

    struct Match {
        // ranges[0] is the whole match; ranges[n] is capture group n, absent
        // when that group took no part in the match.
        std::vector<std::optional<Utf16Range>> ranges;

        Utf16Range range() const { return *ranges.front(); }
        // Capture group n (0 is the whole match); absent when it took no part
        // or the pattern has no such group.
        std::optional<Utf16Range> group(std::size_t n) const
        {
            return n < ranges.size() ? ranges[n] : std::nullopt;
        }
    };

    // Nothing when the pattern does not compile; `error`, when given, then
    // receives the platform's description ("The value “(” is invalid.")
    // followed by ICU's reason and position.
    static std::optional<Regex> compile(std::string_view pattern, const Options& options,
                                        std::string* error = nullptr);
    static std::optional<Regex> compile(std::string_view pattern, std::string* error = nullptr);

    const std::string& pattern() const { return pattern_; }
    // The number of capture groups in the pattern.
    std::size_t captureGroupCount() const;

    // The first match anywhere in the text.
    std::optional<Match> firstMatch(std::string_view utf8) const;
    std::optional<Match> firstMatch(std::u16string_view utf16) const;

    // Every non-overlapping match, in text order. An empty match is followed by
    // a search one character further on, so the list always ends.
    std::vector<Match> allMatches(std::string_view utf8) const;
    std::vector<Match> allMatches(std::u16string_view utf16) const;

    // Whether the pattern matches anywhere in the text (a search, not a
    // whole-text match: anchor the pattern with ^ and $ for that).
    bool hasMatch(std::string_view utf8) const;
    bool hasMatch(std::u16string_view utf16) const;

    // Every match replaced by `replacementTemplate`, in which $0...$n stand for
    // the match and its groups and a backslash takes the next character
    // literally ("\$"). An invalid template or an abandoned search gives the
    // text back unchanged.
    std::string replaceAll(std::string_view utf8, std::string_view replacementTemplate) const;

private:
    Regex(std::string pattern, std::shared_ptr<const icu::RegexPattern> compiled);

    std::string pattern_;
    std::shared_ptr<const icu::RegexPattern> compiled_;
};

}  // namespace qm
