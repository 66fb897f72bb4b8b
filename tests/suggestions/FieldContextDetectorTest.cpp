#include "suggestions/FieldContextDetector.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXRole.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "records/ScriptedAccessibility.h"

namespace qm {

static void PrintTo(const FieldContextResult& result, std::ostream* out)
{
    auto text = [](const std::optional<std::string>& value) { return value ? "\"" + *value + "\"" : "none"; };
    *out << "{" << rawValue(result.context) << ", label " << text(result.label) << ", app "
         << text(result.appBundleId) << ", domain " << text(result.domain) << "}";
}

namespace {

// The detector over the stand-in desktop: real applications, windows and fields.
class FieldContextDetectorTest : public ::testing::Test {
protected:
    SimClock clock;
    SimMainLoop mainLoop{clock};
    StandInDesktop desktop{mainLoop};
    FieldContextDetector detector{desktop.accessibility(), desktop.workspace()};
};

TEST_F(FieldContextDetectorTest, BrowserFieldGetsItsLabelApplicationAndThePagesHost)
{
    const SimBrowser safari = desktop.addBrowser("com.apple.Safari", "Safari", "https://example.com/",
                                                 "Example Domain - example.com");
    safari.application().activate();
    safari.pageField().focus();

    const FieldContextResult expected{FieldContext::search, "Search this site", "com.apple.Safari",
                                      "example.com"};
    EXPECT_EQ(detector.detect(safari.pageField().axElement()), expected);
    EXPECT_EQ(detector.detect(), expected);

    // The address bar sits deeper in the window; its label is its description.
    EXPECT_EQ(detector.detect(safari.addressField().axElement()),
              (FieldContextResult{FieldContext::search, "Address and search bar", "com.apple.Safari",
                                  "example.com"}));

    struct Case {
        const char* windowTitle;
        std::optional<std::string> domain;
    };
    const Case titles[] = {
        {"My-Site.COM", "site.com"},
        {"localhost:3000 - Dev", "localhost:3000"},
        {"New Tab", std::nullopt},
    };
    for (const auto& c : titles) {
        safari.window().setTitle(c.windowTitle);
        const auto result = detector.detect(safari.pageField().axElement());
        EXPECT_EQ(result.domain, c.domain) << c.windowTitle;
        EXPECT_EQ(result.context, FieldContext::search) << c.windowTitle;
    }
}

TEST_F(FieldContextDetectorTest, OtherBrowsersGiveNoDomain)
{
    const SimBrowser brave =
        desktop.addBrowser("com.brave.Browser", "Brave", "https://example.com/", "example.com");
    brave.application().activate();
    const auto result = detector.detect(brave.pageField().axElement());
    EXPECT_EQ(result.appBundleId, "com.brave.Browser");
    EXPECT_EQ(result.domain, std::nullopt);
}

TEST_F(FieldContextDetectorTest, PasswordFieldIsAPasswordFieldWhateverItsPlaceholderSays)
{
    const SimApplication app = desktop.addApplication("com.example.login", "Login");
    SimTextFieldSpec spec;
    spec.placeholder = "Email";
    spec.subrole = std::string(AXRole::secureTextField);
    const SimTextField field = app.addWindow("Sign in").addTextField(spec);
    app.activate();
    field.focus();

    EXPECT_EQ(detector.detect(field.axElement()),
              (FieldContextResult{FieldContext::password, "Email", "com.example.login", std::nullopt}));
}

TEST_F(FieldContextDetectorTest, WithoutAFocusedFieldTheFrontmostApplicationDecides)
{
    EXPECT_EQ(detector.detect(), FieldContextResult{});  // nothing frontmost

    desktop.addApplication("com.apple.Notes", "Notes").activate();
    EXPECT_EQ(detector.detect(),
              (FieldContextResult{FieldContext::plainText, std::nullopt, "com.apple.Notes", std::nullopt}));

    desktop.addApplication("com.example.helper", std::nullopt).activate();
    EXPECT_EQ(detector.detect(),
              (FieldContextResult{FieldContext::unknown, std::nullopt, "com.example.helper", std::nullopt}));

    desktop.addApplication(std::nullopt, std::nullopt).activate();
    EXPECT_EQ(detector.detect(), FieldContextResult{});
}

TEST_F(FieldContextDetectorTest, WithoutTrustEveryReadIsAbsent)
{
    const SimApplication notes = desktop.addApplication("com.apple.Notes", "Notes");
    SimTextFieldSpec spec;
    spec.placeholder = "Search";
    const SimTextField field = notes.addWindow("Note").addTextField(spec);
    notes.activate();
    field.focus();
    desktop.trust().setTrusted(false);

    // No focused element can be read: the application rules alone.
    EXPECT_EQ(detector.detect(),
              (FieldContextResult{FieldContext::plainText, std::nullopt, "com.apple.Notes", std::nullopt}));
    EXPECT_EQ(detector.detect(field.axElement()),
              (FieldContextResult{FieldContext::plainText, std::nullopt, "com.apple.Notes", std::nullopt}));
}

// Answers the stand-in desktop never gives: blank placeholders, values of the
// wrong type, localized role descriptions, deep or broken parent chains.
class FieldContextDetectorScriptedTest : public FieldContextDetectorTest {
protected:
    static constexpr std::int32_t kPid = 4242;
    static constexpr std::uint64_t kField = 1;

    void SetUp() override
    {
        safari = desktop.addApplication("com.apple.Safari", "Safari");
        safari.activate();
    }

    AXUIElement field() { return scripted->element(kPid, kField); }

    void text(std::uint64_t token, std::string_view attribute, std::string value)
    {
        scripted->script(token, std::string(attribute), AXError::success, AXValue::string(std::move(value)));
    }

    // Elements first ... first + depth - 1, each the parent of the one before;
    // the last is a window titled `title`.
    void chainToWindow(std::uint64_t first, int depth, const std::string& title)
    {
        const std::uint64_t last = first + static_cast<std::uint64_t>(depth) - 1;
        for (std::uint64_t token = first; token < last; ++token) {
            scripted->scriptElement(token, std::string(AXAttribute::parent), kPid, token + 1);
        }
        text(last, AXAttribute::role, std::string(AXRole::window));
        text(last, AXAttribute::title, title);
    }

    std::shared_ptr<test::ScriptedAccessibility> scripted = std::make_shared<test::ScriptedAccessibility>();
    FieldContextDetector scriptedDetector{*scripted, desktop.workspace()};
    SimApplication safari = desktop.ownApplication();
};

TEST_F(FieldContextDetectorScriptedTest, BlankPlaceholderIsChosenAndThenDropped)
{
    text(kField, AXAttribute::placeholderValue, "");
    text(kField, AXAttribute::title, "Name");
    const auto result = scriptedDetector.detect(field());
    EXPECT_EQ(result.label, std::nullopt);
    EXPECT_EQ(result.context, FieldContext::unknown);
}

TEST_F(FieldContextDetectorScriptedTest, ValuesThatAreNoTextCountAsAbsent)
{
    scripted->script(kField, std::string(AXAttribute::placeholderValue), AXError::success,
                     AXValue::number(7));
    scripted->script(kField, std::string(AXAttribute::title), AXError::cannotComplete);
    scripted->script(kField, std::string(AXAttribute::roleDescription), AXError::success,
                     AXValue::url("https://password.example"));
    text(kField, AXAttribute::description, "Quantity");
    EXPECT_EQ(scriptedDetector.detect(field()),
              (FieldContextResult{FieldContext::number, "Quantity", "com.apple.Safari", std::nullopt}));
}

TEST_F(FieldContextDetectorScriptedTest, SecureRoleOrSubroleIsAPasswordFieldInAnyLanguage)
{
    text(kField, AXAttribute::roleDescription, "sicheres Textfeld");
    text(kField, AXAttribute::placeholderValue, "E-Mail");
    EXPECT_EQ(scriptedDetector.detect(field()).context, FieldContext::email);

    text(kField, AXAttribute::subrole, std::string(AXRole::secureTextField));
    EXPECT_EQ(scriptedDetector.detect(field()).context, FieldContext::password);

    scripted->script(kField, std::string(AXAttribute::subrole), AXError::noValue);
    text(kField, AXAttribute::role, std::string(AXRole::secureTextField));
    EXPECT_EQ(scriptedDetector.detect(field()).context, FieldContext::password);
}

TEST_F(FieldContextDetectorScriptedTest, WindowTitleIsSearchedAtMostTenElementsUp)
{
    chainToWindow(kField, FieldContextDetector::maxWindowTitleDepth, "Docs - docs.example.org");
    EXPECT_EQ(scriptedDetector.detect(field()).domain, "docs.example.org");

    constexpr std::uint64_t kDeeperField = 100;
    chainToWindow(kDeeperField, FieldContextDetector::maxWindowTitleDepth + 1, "Docs - docs.example.org");
    EXPECT_EQ(scriptedDetector.detect(scripted->element(kPid, kDeeperField)).domain, std::nullopt);
}

TEST_F(FieldContextDetectorScriptedTest, WindowWithoutTextTitleIsPassedAndABrokenParentEndsTheWalk)
{
    // Element 2 is a window whose title is no text; the walk goes on to element 3.
    chainToWindow(kField, 3, "Outer - outer.example.com");
    text(2, AXAttribute::role, std::string(AXRole::window));
    scripted->script(2, std::string(AXAttribute::title), AXError::success, AXValue::number(1));
    EXPECT_EQ(scriptedDetector.detect(field()).domain, "outer.example.com");

    scripted->script(2, std::string(AXAttribute::parent), AXError::invalidUIElement);
    EXPECT_EQ(scriptedDetector.detect(field()).domain, std::nullopt);

    scripted->script(2, std::string(AXAttribute::parent), AXError::success,
                     AXValue::string("not an element"));
    EXPECT_EQ(scriptedDetector.detect(field()).domain, std::nullopt);
}

}  // namespace
}  // namespace qm
