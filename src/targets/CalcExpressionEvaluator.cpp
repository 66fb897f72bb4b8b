#include "targets/CalcExpressionEvaluator.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>

#include <fmt/format.h>

#include "base/Regex.h"
#include "base/Text.h"
#include "targets/ExpressionEvaluator.h"

namespace qm {

namespace {

// The leading (?<!\d) changes no match (a phrase never starts inside a run of
// digits: the run's first digit would start it) but keeps the search from
// retrying at every digit of a long run, which is quadratic.
constexpr std::string_view kPercentPattern = R"((?i)(?<!\d)(\d+(?:\.\d+)?)\s*%\s*of\s*(\d+(?:\.\d+)?))";
constexpr std::string_view kIntegerLiteralPattern = R"((?<![\d.])(\d+)(?![\d.]))";

// Stand-in for U+FFFC, which keeps "**" apart from the "^" being rewritten.
constexpr std::string_view kPowerPlaceholder = "\xEF\xBF\xBC";

constexpr std::string_view kAllowedCharacters = "0123456789.+-*/%()^ ";
constexpr std::string_view kOperatorChars = "+-*/%^";

bool isAllowed(char c)
{
    return kAllowedCharacters.find(c) != std::string_view::npos;
}

bool isOperator(char c)
{
    return kOperatorChars.find(c) != std::string_view::npos;
}

std::string_view trimmedBlanksAndTabs(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<double> readDouble(std::string_view digits)
{
    double value = 0;
    auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string replaced;
    replaced.reserve(text.size());
    std::size_t copied = 0;
    for (auto at = text.find(from); at != std::string_view::npos; at = text.find(from, copied)) {
        replaced.append(text.substr(copied, at - copied)).append(to);
        copied = at + from.size();
    }
    return replaced.append(text.substr(copied));
}

// "15% of 847" becomes "(847.0*0.15)". Matches never overlap, so the text is
// rebuilt in one pass: the same as replacing them from the last to the first.
std::string rewritePercentPhrases(const std::string& text)
{
    static const auto pattern = Regex::compile(kPercentPattern);
    if (!pattern) {
        return text;
    }
    const auto utf16 = text::toUtf16(text);
    const std::u16string_view view(utf16);
    std::u16string rewritten;
    std::size_t copied = 0;
    for (const auto& match : pattern->allMatches(view)) {
        const auto percentRange = match.group(1);
        const auto baseRange = match.group(2);
        const auto whole = match.group(0);
        if (match.ranges.size() < 3 || !percentRange || !baseRange || !whole || whole->location < copied ||
            whole->end() > view.size()) {
            continue;
        }
        const auto percent =
            readDouble(text::toUtf8(view.substr(percentRange->location, percentRange->length)));
        const auto base = readDouble(text::toUtf8(view.substr(baseRange->location, baseRange->length)));
        if (!percent || !base) {
            continue;
        }
        rewritten.append(view.substr(copied, whole->location - copied));
        rewritten.append(
            text::toUtf16("(" + text::describe(*base) + "*" + text::describe(*percent / 100) + ")"));
        copied = whole->end();
    }
    rewritten.append(view.substr(copied));
    return text::toUtf8(rewritten);
}

// "7" becomes "7.0", so that no step of the evaluation is integer arithmetic.
std::string rewriteIntegerLiterals(const std::string& text)
{
    static const auto pattern = Regex::compile(kIntegerLiteralPattern);
    if (!pattern) {
        return text;
    }
    // The text is ASCII by now, so UTF-16 positions are byte positions.
    std::string rewritten;
    rewritten.reserve(text.size() * 2);
    std::size_t copied = 0;
    for (const auto& match : pattern->allMatches(text)) {
        const auto digits = match.group(1);
        if (!digits || digits->end() < copied || digits->end() > text.size()) {
            continue;
        }
        rewritten.append(text, copied, digits->end() - copied).append(".0");
        copied = digits->end();
    }
    return rewritten.append(text, copied);
}

bool hasIncompleteSuffix(std::string_view text)
{
    const auto body = trimmedBlanksAndTabs(text);
    return body.empty() || isOperator(body.back());
}

void validateCharacters(std::string_view text)
{
    // Every allowed character is ASCII, so a byte outside the set is either a
    // character outside it or part of a multi-byte one.
    if (!std::all_of(text.begin(), text.end(), isAllowed)) {
        throw CalcExpressionError(CalcExpressionError::invalidExpression);
    }
}

void validateStructure(std::string_view text)
{
    const auto body = trimmedBlanksAndTabs(text);
    if (body.empty()) {
        throw CalcExpressionError(CalcExpressionError::emptyInput);
    }
    if (hasIncompleteSuffix(body)) {
        throw CalcExpressionError(CalcExpressionError::invalidExpression);
    }
    if (std::string_view("+*/%^").find(body.front()) != std::string_view::npos) {
        throw CalcExpressionError(CalcExpressionError::invalidExpression);
    }
    int depth = 0;
    for (const char c : body) {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        if (depth < 0) {
            throw CalcExpressionError(CalcExpressionError::invalidExpression);
        }
    }
    if (depth != 0 || body.find("()") != std::string_view::npos) {
        throw CalcExpressionError(CalcExpressionError::invalidExpression);
    }
}

// The expression evaluator reports failure as an empty result; anything it
// throws (memory exhaustion) is treated the same way and never reaches the caller.
std::optional<double> QMDEvaluateNSExpression(std::string_view expression)
{
    try {
        return ExpressionEvaluator::evaluate(expression);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

double CalcExpressionEvaluator::evaluate(std::string_view line)
{
    auto expression = text::trimmed(line);
    if (expression.empty()) {
        throw CalcExpressionError(CalcExpressionError::emptyInput);
    }
    expression = rewritePercentPhrases(expression);

    expression = replaceAll(replaceAll(replaceAll(expression, "**", kPowerPlaceholder), "^", "**"),
                            kPowerPlaceholder, "**");

    validateCharacters(expression);
    validateStructure(expression);
    expression = rewriteIntegerLiterals(expression);

    const auto value = QMDEvaluateNSExpression(expression);
    if (!value) {
        throw CalcExpressionError(CalcExpressionError::invalidExpression);
    }
    if (std::isfinite(*value)) {
        return *value;
    }
    throw CalcExpressionError(expression.find('/') != std::string::npos
                                  ? CalcExpressionError::divisionByZero
                                  : CalcExpressionError::nonFiniteResult);
}

std::string CalcExpressionEvaluator::formatResult(double value)
{
    const bool whole = std::round(value) == value;
    if (whole && std::fabs(value) < 1e12) {
        return fmt::format("{:.0f}", value);
    }
    return fmt::format("{:.6g}", value);
}

std::optional<std::string> CalcExpressionEvaluator::previewEvaluate(std::string_view text)
{
    const auto trimmedText = text::trimmed(text);
    if (trimmedText.empty()) {
        return std::nullopt;
    }
    // Only ASCII digits count: a line whose digits are all of another script
    // fails the character check anyway.
    if (std::none_of(trimmedText.begin(), trimmedText.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    if (hasIncompleteSuffix(trimmedText)) {
        return std::nullopt;
    }
    try {
        return formatResult(evaluate(trimmedText));
    } catch (const CalcExpressionError&) {
        return std::nullopt;
    }
}

}  // namespace qm
