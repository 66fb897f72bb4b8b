#include "suggestions/SuggestionChip.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/storage/UserDefaults.h"
#include "suggestions/SampleSuggestion.h"
#include "suggestions/SuggestionDefaultsKeys.h"

namespace qm {
namespace {

using Kind = LiveChipCategory::Kind;

using test::sampleSuggestion;

SuggestionModel suggestion(SuggestionType type, std::string title,
                           std::optional<std::string> body = std::nullopt, std::string action = {})
{
    return sampleSuggestion(type, std::move(title), std::move(body), std::move(action));
}

SuggestionChip chipFor(SuggestionModel model, bool active = false)
{
    return SuggestionChip(true, 0, std::move(model), "⌃", active);
}

struct CategoryCase {
    std::string name;
    SuggestionModel model;
    LiveChipCategory expected;
};

class SuggestionChipCategory : public ::testing::TestWithParam<CategoryCase> {};

TEST_P(SuggestionChipCategory, ClassifiesTheSuggestion)
{
    EXPECT_EQ(chipFor(GetParam().model).category(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SuggestionChipCategory,
    ::testing::Values(
        CategoryCase{"Mistake", suggestion(SuggestionType::mistake, "teh"), {Kind::mistake, {}}},
        CategoryCase{"Snippet", suggestion(SuggestionType::snippet, "Signature"), {Kind::snippet, {}}},
        CategoryCase{"ToolIsDevOps", suggestion(SuggestionType::tool, "kubectl"), {Kind::devOpsTool, {}}},
        CategoryCase{"Mcp", suggestion(SuggestionType::mcp, "Ticket"), {Kind::mcp, {}}},
        CategoryCase{"Knowledge", suggestion(SuggestionType::knowledge, "Notes"), {Kind::knowledge, {}}},
        CategoryCase{"Ai", suggestion(SuggestionType::ai, "Rewrite"), {Kind::ai, {}}},
        CategoryCase{
            "Proactive", suggestion(SuggestionType::proactive, "Proactive Context"), {Kind::proactive, {}}},
        // Only live suggestions look at their texts.
        CategoryCase{"KnowledgeTitledLikeAColour",
                     suggestion(SuggestionType::knowledge, "#FF8800"),
                     {Kind::knowledge, {}}},
        CategoryCase{"LiveKeychain", suggestion(SuggestionType::live, "From Keychain"), {Kind::keychain, {}}},
        CategoryCase{
            "LivePassword", suggestion(SuggestionType::live, "Saved Password"), {Kind::keychain, {}}},
        CategoryCase{"LiveLowerCaseTitleIsNotKeychain",
                     suggestion(SuggestionType::live, "my keychain item"),
                     {Kind::memory, {}}},
        CategoryCase{"LiveBodyIgnoresCase",
                     suggestion(SuggestionType::live, "alice", "Stored in KEYCHAIN"),
                     {Kind::keychain, {}}},
        // The keychain rules come before the colour ones.
        CategoryCase{
            "KeychainBeforeHex", suggestion(SuggestionType::live, "#ABC", "keychain"), {Kind::keychain, {}}},
        CategoryCase{
            "LiveHexTitle", suggestion(SuggestionType::live, "#FF8800"), {Kind::colorSwatch, "#FF8800"}},
        CategoryCase{
            "LiveShortHexTitle", suggestion(SuggestionType::live, "#F80"), {Kind::colorSwatch, "#F80"}},
        CategoryCase{
            "LiveSixCharactersIsNoHex", suggestion(SuggestionType::live, "#FF880"), {Kind::memory, {}}},
        CategoryCase{"LiveHexTitleThatIsNoColour",
                     suggestion(SuggestionType::live, "#ZZZZZZ"),
                     {Kind::colorSwatch, "#ZZZZZZ"}},
        CategoryCase{"LiveHexAction",
                     suggestion(SuggestionType::live, "Brand orange", std::nullopt, "#10B981"),
                     {Kind::colorSwatch, "#10B981"}},
        // The title wins over the action.
        CategoryCase{"LiveHexTitleBeforeAction",
                     suggestion(SuggestionType::live, "#123", std::nullopt, "#456789"),
                     {Kind::colorSwatch, "#123"}},
        CategoryCase{"LiveColorInsideAWord",
                     suggestion(SuggestionType::live, "Pick a Colorway"),
                     {Kind::generalTool, {}}},
        CategoryCase{
            "LiveLowerCaseColor", suggestion(SuggestionType::live, "pick a color"), {Kind::memory, {}}},
        CategoryCase{"LiveDate", suggestion(SuggestionType::live, "Insert Date"), {Kind::generalTool, {}}},
        CategoryCase{"LiveTime", suggestion(SuggestionType::live, "Time now"), {Kind::generalTool, {}}},
        CategoryCase{"LiveOtherwiseMemory",
                     suggestion(SuggestionType::live, "alice@example.com"),
                     {Kind::memory, {}}}),
    [](const auto& info) { return info.param.name; });

struct StyleCase {
    std::string name;
    SuggestionModel model;
    std::string icon;
    Color header;
    SuggestionChip::Gradient gradient;
    Color border;
    Color activeShadow;
};

class SuggestionChipStyle : public ::testing::TestWithParam<StyleCase> {};

void expectColor(const Color& actual, const Color& expected, const std::string& what)
{
    EXPECT_NEAR(actual.red, expected.red, 1e-3) << what;
    EXPECT_NEAR(actual.green, expected.green, 1e-3) << what;
    EXPECT_NEAR(actual.blue, expected.blue, 1e-3) << what;
    EXPECT_NEAR(actual.alpha, expected.alpha, 1e-9) << what;
}

TEST_P(SuggestionChipStyle, ColoursFollowTheCategory)
{
    const StyleCase& c = GetParam();
    const SuggestionChip inactive = chipFor(c.model, false);
    const SuggestionChip active = chipFor(c.model, true);
    EXPECT_EQ(inactive.iconName(), c.icon);
    expectColor(inactive.headerColor(), c.header, "header");
    expectColor(inactive.activeGradient().top, c.gradient.top, "gradient top");
    expectColor(inactive.activeGradient().bottom, c.gradient.bottom, "gradient bottom");
    expectColor(inactive.inactiveBorderColor(), c.border, "border");
    expectColor(inactive.borderColor(), c.border, "drawn border");
    expectColor(active.shadowColor(), c.activeShadow, "shadow");
    // Active: white text, no border; inactive: no shadow.
    expectColor(active.headerColor(), {1, 1, 1, 1}, "active header");
    EXPECT_EQ(active.borderColor().alpha, 0);
    EXPECT_EQ(inactive.shadowColor().alpha, 0);
}

constexpr Color rgb(double r, double g, double b, double a = 1)
{
    return {r, g, b, a};
}

INSTANTIATE_TEST_SUITE_P(Cases, SuggestionChipStyle,
                         ::testing::Values(StyleCase{"Mistake",
                                                     suggestion(SuggestionType::mistake, "teh"),
                                                     "exclamationmark.shield.fill",
                                                     rgb(0.95, 0.4, 0.4),
                                                     {rgb(0.95, 0.35, 0.35), rgb(0.85, 0.2, 0.2)},
                                                     rgb(0.95, 0.35, 0.35, 0.25),
                                                     rgb(1.0, 0.231, 0.188, 0.3)},
                                           StyleCase{"Memory",
                                                     suggestion(SuggestionType::live, "alice"),
                                                     "sparkles",
                                                     rgb(0.7, 0.5, 0.95),
                                                     {rgb(0.55, 0.35, 0.85), rgb(0.4, 0.2, 0.7)},
                                                     rgb(0.55, 0.35, 0.85, 0.25),
                                                     rgb(0.686, 0.322, 0.871, 0.3)},
                                           StyleCase{"Keychain",
                                                     suggestion(SuggestionType::live, "Keychain: github"),
                                                     "key.fill",
                                                     rgb(0.35, 0.65, 0.95),
                                                     {rgb(0.25, 0.55, 0.85), rgb(0.15, 0.4, 0.7)},
                                                     rgb(0.25, 0.55, 0.85, 0.25),
                                                     rgb(0.0, 0.478, 1.0, 0.3)},
                                           StyleCase{"GeneralTool",
                                                     suggestion(SuggestionType::live, "Date"),
                                                     "wrench.and.screwdriver.fill",
                                                     rgb(0.95, 0.6, 0.2),
                                                     {rgb(0.95, 0.6, 0.2), rgb(0.8, 0.45, 0.1)},
                                                     rgb(0.95, 0.6, 0.2, 0.25),
                                                     rgb(1.0, 0.584, 0.0, 0.3)},
                                           StyleCase{"Snippet",
                                                     suggestion(SuggestionType::snippet, "sig"),
                                                     "doc.on.doc.fill",
                                                     rgb(0.85, 0.45, 0.95),
                                                     {rgb(0.75, 0.35, 0.85), rgb(0.55, 0.2, 0.7)},
                                                     rgb(0.75, 0.35, 0.85, 0.25),
                                                     rgb(0.686, 0.322, 0.871, 0.3)},
                                           StyleCase{"DevOpsTool",
                                                     suggestion(SuggestionType::tool, "kubectl"),
                                                     "terminal.fill",
                                                     rgb(0.2, 0.8, 0.7),
                                                     {rgb(0.1, 0.6, 0.3), rgb(0.05, 0.45, 0.2)},
                                                     rgb(0.1, 0.6, 0.3, 0.25),
                                                     rgb(0.204, 0.780, 0.349, 0.3)},
                                           StyleCase{"Knowledge",
                                                     suggestion(SuggestionType::knowledge, "note"),
                                                     "brain.head.profile",
                                                     rgb(0.15, 0.7, 0.9),
                                                     {rgb(0.15, 0.65, 0.85), rgb(0.1, 0.5, 0.7)},
                                                     rgb(0.15, 0.65, 0.85, 0.25),
                                                     rgb(0.0, 0.478, 1.0, 0.3)},
                                           StyleCase{"Mcp",
                                                     suggestion(SuggestionType::mcp, "pushed"),
                                                     "app.connected.to.app.below.fill",
                                                     rgb(0.9, 0.4, 0.8),
                                                     {rgb(0.85, 0.35, 0.75), rgb(0.7, 0.2, 0.6)},
                                                     rgb(0.85, 0.35, 0.75, 0.25),
                                                     rgb(1.0, 0.176, 0.333, 0.3)},
                                           StyleCase{"Ai",
                                                     suggestion(SuggestionType::ai, "answer"),
                                                     "sparkles",
                                                     rgb(0.8, 0.4, 1.0),
                                                     {rgb(0.7, 0.3, 0.95), rgb(0.5, 0.15, 0.8)},
                                                     rgb(0.7, 0.3, 0.95, 0.35),
                                                     rgb(0.686, 0.322, 0.871, 0.4)},
                                           StyleCase{
                                               "Proactive",
                                               suggestion(SuggestionType::proactive, "Proactive Context"),
                                               "sun.max.fill",
                                               rgb(0.95, 0.75, 0.2),
                                               {rgb(0.95, 0.75, 0.15), rgb(0.8, 0.55, 0.05)},
                                               rgb(0.95, 0.75, 0.15, 0.25),
                                               rgb(1.0, 0.584, 0.0, 0.4)},
                                           // #FF8800: 1, 136/255, 0.
                                           StyleCase{"ColourSwatch",
                                                     suggestion(SuggestionType::live, "#FF8800"),
                                                     "paintpalette.fill",
                                                     rgb(1, 0.5333, 0),
                                                     {rgb(1, 0.5333, 0, 0.85), rgb(1, 0.5333, 0)},
                                                     rgb(1, 0.5333, 0, 0.35),
                                                     rgb(1, 0.5333, 0, 0.4)},
                                           StyleCase{"ColourSwatchThatIsNoColour",
                                                     suggestion(SuggestionType::live, "#ßßßßßß"),
                                                     "paintpalette.fill",
                                                     rgb(0.2, 0.85, 0.6),
                                                     {rgb(0.15, 0.75, 0.5), rgb(0.1, 0.6, 0.4)},
                                                     rgb(0.15, 0.75, 0.5, 0.25),
                                                     rgb(0.204, 0.780, 0.349, 0.3)}),
                         [](const auto& info) { return info.param.name; });

TEST(SuggestionChip, OnlyAParsedColourSwatchDrawsASwatch)
{
    const auto swatch = chipFor(suggestion(SuggestionType::live, "#F80")).swatchColor();
    ASSERT_TRUE(swatch);
    EXPECT_NEAR(swatch->green, 136.0 / 255, 1e-9);
    // Seven characters, but "ß" reads as "SS": too many digits for a colour.
    EXPECT_FALSE(chipFor(suggestion(SuggestionType::live, "#ßßßßßß")).swatchColor());
    EXPECT_FALSE(chipFor(suggestion(SuggestionType::knowledge, "#F80")).swatchColor());
}

TEST(SuggestionChip, TheBadgeIsTheModifierTextAndThePositionFromOne)
{
    const auto model = suggestion(SuggestionType::knowledge, "Notes");
    EXPECT_EQ(SuggestionChip(true, 0, model, "⌃", false).badgeText(), "⌃1");
    EXPECT_EQ(SuggestionChip(true, 2, model, "⌃⌥", false).badgeText(), "⌃⌥3");
    EXPECT_EQ(SuggestionChip(false, 2, model, "⌃⌥", true).badgeText(), std::nullopt);
}

TEST(SuggestionChip, TheStoredHintSettingWinsOverTheDefault)
{
    UserDefaults defaults("");
    EXPECT_TRUE(SuggestionChip::showShortcutHints(defaults));
    EXPECT_FALSE(SuggestionChip::showShortcutHints(defaults, false));
    defaults.set(SuggestionDefaultsKeys::showShortcutHints, false);
    EXPECT_FALSE(SuggestionChip::showShortcutHints(defaults));
    defaults.set(SuggestionDefaultsKeys::showShortcutHints, true);
    EXPECT_TRUE(SuggestionChip::showShortcutHints(defaults, false));
    // Not a Boolean: the default applies.
    defaults.set(SuggestionDefaultsKeys::showShortcutHints, "no");
    EXPECT_TRUE(SuggestionChip::showShortcutHints(defaults));
}

TEST(SuggestionChip, ActiveAndHoveredStatesScaleAndBrighten)
{
    const auto model = suggestion(SuggestionType::knowledge, "Notes", "a line");
    const SuggestionChip plain(true, 0, model, "⌃", false, false);
    const SuggestionChip hovered(true, 0, model, "⌃", false, true);
    const SuggestionChip active(true, 0, model, "⌃", true, true);
    EXPECT_DOUBLE_EQ(plain.scale(), 1.0);
    EXPECT_DOUBLE_EQ(hovered.scale(), 1.015);
    EXPECT_DOUBLE_EQ(active.scale(), 1.03);
    EXPECT_DOUBLE_EQ(plain.inactiveFill().alpha, 0.02);
    EXPECT_DOUBLE_EQ(hovered.inactiveFill().alpha, 0.08);
    EXPECT_DOUBLE_EQ(plain.bodyColor().alpha, 0.55);
    EXPECT_DOUBLE_EQ(active.bodyColor().alpha, 0.8);
}

}  // namespace
}  // namespace qm
