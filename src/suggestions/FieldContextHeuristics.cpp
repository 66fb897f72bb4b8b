#include "suggestions/FieldContextHeuristics.h"

#include <array>
#include <vector>

#include "base/Regex.h"
#include "base/Text.h"

namespace qm {

namespace {

struct KeywordRule {
    FieldContext context;
    std::vector<std::string_view> keywords;
};

// In this order; the e-mail rule, a regular expression, sits between the first two.
const std::vector<KeywordRule>& keywordRules()
{
    static const std::vector<KeywordRule> rules = {
        {FieldContext::search, {"search", "find", "query", "filter"}},
        {FieldContext::color, {"color", "hex", "#"}},
        {FieldContext::creditCard, {"card number", "credit card", "cvv", "cvc", "cc"}},
        {FieldContext::phone, {"phone", "mobile", "telephone"}},
        {FieldContext::url, {"url", "link", "href", "http", "website"}},
        {FieldContext::date, {"date", "calendar", "year", "month", "day"}},
        {FieldContext::number, {"number", "quantity", "amount", "count", "age"}},
    };
    return rules;
}

constexpr std::array<std::string_view, 4> kPasswordKeywords = {"secure", "password", "pin code", "passcode"};

constexpr std::array<std::string_view, 7> kCodeEditors = {
    "com.apple.dt.xcode", "com.microsoft.vs-code", "com.sublimetext.3", "org.vim.macvim",
    "com.jetbrains.",     "com.visualstudio.",     "tableplus",
};

constexpr std::array<std::string_view, 11> kCodeMarkers = {
    "import ", "func ", "func", "def ", "class ", "const ", "let ", "var ", "SELECT ", "UPDATE ", "DELETE ",
};

constexpr std::array<std::string_view, 5> kWritingApps = {
    "com.apple.notes", "com.apple.textedit", "com.apple.iwork.pages", "org.markdown.", "notion",
};

constexpr std::array<std::string_view, 6> kBrowsers = {
    "com.google.chrome",     "com.apple.safari",           "org.mozilla.firefox",
    "com.microsoft.edgemac", "company.thebrowser.browser", "com.operasoftware.opera",
};

// A value this long (in characters) or longer may be code.
constexpr std::size_t kMinimumCodeLength = 11;

template <class List> bool containsAny(std::string_view text, const List& needles)
{
    for (const std::string_view needle : needles) {
        if (text.find(needle) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

const std::optional<Regex>& emailPattern()
{
    static const std::optional<Regex> pattern = Regex::compile(".*(mail|username|login|user).*");
    return pattern;
}

const std::optional<Regex>& hostPattern()
{
    static const std::optional<Regex> pattern =
        Regex::compile(R"(^(?:[a-zA-Z0-9][a-zA-Z0-9-]{0,61}[a-zA-Z0-9]?\.)+[a-zA-Z]{2,6}$)");
    return pattern;
}

const std::optional<Regex>& localhostPattern()
{
    static const std::optional<Regex> pattern = Regex::compile(R"(^localhost(?::\d+)?$)");
    return pattern;
}

bool isTitleSeparator(char c)
{
    switch (c) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '|':
    case '/':
    case '(':
    case ')':
    case '-':
        return true;
    default:
        return false;
    }
}

// Code editors and code in the value (both give code), then writing applications.
std::optional<FieldContext> applicationRule(const std::string& lowerBundleId, bool codeMarkersFound)
{
    if (containsAny(lowerBundleId, kCodeEditors) || codeMarkersFound) {
        return FieldContext::code;
    }
    if (containsAny(lowerBundleId, kWritingApps)) {
        return FieldContext::plainText;
    }
    return std::nullopt;
}

}  // namespace

FieldContext FieldContextHeuristics::evaluateHeuristics(const Attributes& attributes,
                                                        std::string_view bundleId)
{
    // The value never takes part in the keyword tests: what the user typed must
    // not turn a field into another kind.
    const std::string probe =
        text::lowercased(attributes.roleDescription.value_or("") + " " + attributes.placeholder.value_or("") +
                         " " + attributes.title.value_or("") + " " + attributes.description.value_or(""));

    if (containsAny(probe, kPasswordKeywords)) {
        return FieldContext::password;
    }
    if (emailPattern() && emailPattern()->hasMatch(probe)) {
        return FieldContext::email;
    }
    for (const KeywordRule& rule : keywordRules()) {
        if (containsAny(probe, rule.keywords)) {
            return rule.context;
        }
    }

    const auto& value = attributes.value;
    const bool looksLikeCode =
        value && text::graphemeCount(*value) >= kMinimumCodeLength && containsAny(*value, kCodeMarkers);
    return applicationRule(text::lowercased(bundleId), looksLikeCode).value_or(FieldContext::unknown);
}

FieldContext FieldContextHeuristics::evaluateFallbackHeuristics(std::string_view bundleId)
{
    return applicationRule(text::lowercased(bundleId), false).value_or(FieldContext::unknown);
}

bool FieldContextHeuristics::isBrowser(std::string_view bundleId)
{
    return containsAny(text::lowercased(bundleId), kBrowsers);
}

std::optional<std::string> FieldContextHeuristics::extractDomain(std::string_view windowTitle)
{
    std::size_t start = 0;
    while (start <= windowTitle.size()) {
        std::size_t end = start;
        while (end < windowTitle.size() && !isTitleSeparator(windowTitle[end])) {
            ++end;
        }
        const std::string piece = text::trimmed(windowTitle.substr(start, end - start));
        if (!piece.empty() && ((hostPattern() && hostPattern()->hasMatch(piece)) ||
                               (localhostPattern() && localhostPattern()->hasMatch(piece)))) {
            return text::lowercased(piece);
        }
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace qm
