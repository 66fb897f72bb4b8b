#include "suggestions/FieldContextHeuristics.h"

#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "suggestions/FieldContext.h"

namespace qm {

static void PrintTo(FieldContext context, std::ostream* out)
{
    *out << rawValue(context);
}

namespace {

using Text = std::optional<std::string>;

TEST(FieldContextTest, RawValueIsTheCaseNameAndReadsBack)
{
    const char* names[] = {"email", "password", "search", "url",       "phone",  "creditCard",
                           "date",  "color",    "code",   "plainText", "number", "unknown"};
    ASSERT_EQ(std::size(names), allFieldContexts.size());
    for (std::size_t i = 0; i < allFieldContexts.size(); ++i) {
        EXPECT_EQ(rawValue(allFieldContexts[i]), names[i]);
        EXPECT_EQ(fieldContextFromRawValue(names[i]), allFieldContexts[i]);
    }
    EXPECT_EQ(fieldContextFromRawValue("Email"), std::nullopt);
    EXPECT_EQ(fieldContextFromRawValue("credit_card"), std::nullopt);
    EXPECT_EQ(fieldContextFromRawValue(""), std::nullopt);
}

struct HeuristicsCase {
    const char* name;
    FieldContextHeuristics::Attributes attributes;
    const char* bundleId;
    FieldContext expected;
};

class FieldContextHeuristicsTable : public ::testing::TestWithParam<HeuristicsCase> {};

TEST_P(FieldContextHeuristicsTable, FirstRuleThatFiresDecides)
{
    const HeuristicsCase& c = GetParam();
    EXPECT_EQ(FieldContextHeuristics::evaluateHeuristics(c.attributes, c.bundleId), c.expected);
}

FieldContextHeuristics::Attributes field(Text placeholder, Text title = std::nullopt,
                                         Text description = std::nullopt, Text value = std::nullopt,
                                         Text roleDescription = "text field")
{
    return {std::move(roleDescription), std::move(placeholder), std::move(title), std::move(description),
            std::move(value)};
}

constexpr const char* kOther = "com.example.app";

const HeuristicsCase kHeuristicsCases[] = {
    // Password keywords win over everything, the role description included.
    {"secure_role_description", field("Email address", {}, {}, {}, "secure text field"), kOther,
     FieldContext::password},
    {"password_placeholder", field("Password"), kOther, FieldContext::password},
    {"pin_code_title", field({}, "PIN code"), kOther, FieldContext::password},
    {"passcode_in_description", field({}, {}, "Device passcode"), kOther, FieldContext::password},
    {"password_beats_editor", field("password"), "com.apple.dt.Xcode", FieldContext::password},
    // The e-mail rule: "mail", "username", "login", "user" anywhere.
    {"email_placeholder", field("E-mail"), kOther, FieldContext::email},
    {"login_title", field({}, "Login"), kOther, FieldContext::email},
    {"search_users_is_email", field("Search users"), kOther, FieldContext::email},
    {"mailing_description", field({}, {}, "Mailing list"), kOther, FieldContext::email},
    // The keyword rules in their order.
    {"search", field("Search"), kOther, FieldContext::search},
    {"find", field("Find in page"), kOther, FieldContext::search},
    {"filter", field({}, "Filter results"), kOther, FieldContext::search},
    {"hash_is_color", field("#"), kOther, FieldContext::color},
    {"hex_code", field("Hex code"), kOther, FieldContext::color},
    {"search_before_color", field("Search colors"), kOther, FieldContext::search},
    {"cvc", field("CVC"), kOther, FieldContext::creditCard},
    {"account_name_is_card", field("Account name"), kOther, FieldContext::creditCard},
    {"card_number_before_number", field("Card number"), kOther, FieldContext::creditCard},
    {"mobile", field("Mobile"), kOther, FieldContext::phone},
    {"website", field("Your website"), kOther, FieldContext::url},
    {"http_in_description", field({}, {}, "HTTP endpoint"), kOther, FieldContext::url},
    {"birthday_is_date", field("Birthday"), kOther, FieldContext::date},
    {"today_is_date", field("Today"), kOther, FieldContext::date},
    {"message_is_number", field("Message"), kOther, FieldContext::number},
    {"quantity", field("Quantity"), kOther, FieldContext::number},
    {"upper_case_labels_lowered", field("QUANTITY"), kOther, FieldContext::number},
    // Code editors by bundle identifier, lower-cased first.
    {"xcode", field("Name"), "com.apple.dt.Xcode", FieldContext::code},
    {"vs_code_with_hyphen", field({}), "com.microsoft.VS-Code", FieldContext::code},
    {"vscode_without_hyphen_is_no_editor", field({}), "com.microsoft.vscode", FieldContext::unknown},
    {"jetbrains_prefix", field({}), "com.jetbrains.intellij", FieldContext::code},
    {"tableplus", field({}), "com.tinyapp.TablePlus", FieldContext::code},
    {"keyword_before_editor", field("Search"), "com.apple.dt.Xcode", FieldContext::search},
    // Code markers in the value: 11 characters or more, case-sensitive.
    {"short_let", field({}, {}, {}, "let x = 1"), kOther, FieldContext::unknown},
    {"long_let", field({}, {}, {}, "let total = 42"), kOther, FieldContext::code},
    {"lower_case_select", field({}, {}, {}, "select * from t"), kOther, FieldContext::unknown},
    {"upper_case_select", field({}, {}, {}, "SELECT * FROM t"), kOther, FieldContext::code},
    {"func_without_space", field({}, {}, {}, "myfunction()"), kOther, FieldContext::code},
    {"eleven_characters_exactly", field({}, {}, {}, "import abcd"), kOther, FieldContext::code},
    {"ten_characters", field({}, {}, {}, "import abc"), kOther, FieldContext::unknown},
    {"characters_not_bytes", field({}, {}, {}, "let éé = 1"), kOther, FieldContext::unknown},
    {"value_is_no_keyword", field({}, {}, {}, "my password"), kOther, FieldContext::unknown},
    {"code_before_writing_app", field({}, {}, {}, "const x = 1;"), "com.apple.Notes", FieldContext::code},
    // Writing applications.
    {"notes", field({}), "com.apple.Notes", FieldContext::plainText},
    {"notion", field({}), "notion.id", FieldContext::plainText},
    {"markdown_prefix", field({}), "org.markdown.editor", FieldContext::plainText},
    {"nothing_at_all", field({}, {}, {}, {}, std::nullopt), "", FieldContext::unknown},
};

INSTANTIATE_TEST_SUITE_P(Rules, FieldContextHeuristicsTable, ::testing::ValuesIn(kHeuristicsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FieldContextHeuristicsTest, FallbackUsesOnlyTheApplicationRules)
{
    struct Case {
        const char* bundleId;
        FieldContext expected;
    };
    const Case cases[] = {
        {"com.apple.dt.Xcode", FieldContext::code},   {"org.vim.MacVim", FieldContext::code},
        {"com.apple.Notes", FieldContext::plainText}, {"com.apple.iWork.Pages", FieldContext::plainText},
        {"com.apple.Safari", FieldContext::unknown},  {"", FieldContext::unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FieldContextHeuristics::evaluateFallbackHeuristics(c.bundleId), c.expected) << c.bundleId;
    }
}

TEST(FieldContextHeuristicsTest, SixBrowsersOnly)
{
    for (const char* browser :
         {"com.google.Chrome", "com.google.Chrome.canary", "com.apple.Safari", "org.mozilla.firefox",
          "com.microsoft.edgemac", "company.thebrowser.Browser", "com.operasoftware.Opera"}) {
        EXPECT_TRUE(FieldContextHeuristics::isBrowser(browser)) << browser;
    }
    for (const char* other : {"com.brave.Browser", "org.chromium.Chromium", "com.apple.Notes", ""}) {
        EXPECT_FALSE(FieldContextHeuristics::isBrowser(other)) << other;
    }
}

TEST(FieldContextHeuristicsTest, DomainIsTheFirstHostNameLikeWordOfTheTitle)
{
    struct Case {
        const char* title;
        Text expected;
    };
    const Case cases[] = {
        {"Example Domain - example.com", "example.com"},
        {"My-Site.COM", "site.com"},  // "-" splits words
        {"localhost:3000 - Dev", "localhost:3000"},
        {"localhost", "localhost"},
        {"Inbox (3) | mail.google.com", "mail.google.com"},
        {"docs.github.com/en/actions", "docs.github.com"},
        {"Read\tnews.ycombinator.com\r\n", "news.ycombinator.com"},
        {"first.org then second.org", "first.org"},
        {"Version 1.2.3", std::nullopt},  // the last label must be letters
        {"example.museum1", std::nullopt},
        {"example.education", std::nullopt},  // nine letters
        {"-example.com", "example.com"},
        {"localhost:abc", std::nullopt},
        {"LOCALHOST", std::nullopt},  // case-sensitive as written
        {"a_b.com", std::nullopt},
        {"New Tab", std::nullopt},
        {"", std::nullopt},
        {"---", std::nullopt},
        {"\xC2\xA0shop.example.org\xC2\xA0", "shop.example.org"},  // no-break spaces trimmed
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FieldContextHeuristics::extractDomain(c.title), c.expected) << c.title;
    }
}

}  // namespace
}  // namespace qm
