#include "suggestions/SuggestionChip.h"

#include <utility>

#include "base/Text.h"
#include "platform/storage/UserDefaults.h"
#include "suggestions/HexColor.h"
#include "suggestions/SuggestionDefaultsKeys.h"

namespace qm {

namespace {

using Kind = LiveChipCategory::Kind;

constexpr Color rgb(double red, double green, double blue, double alpha = 1)
{
    return {red, green, blue, alpha};
}

Color withAlpha(Color color, double opacity)
{
    color.alpha *= opacity;
    return color;
}

// The toolkit's standard colours.
constexpr Color kRed = rgb(1.0, 0.231, 0.188);
constexpr Color kPurple = rgb(0.686, 0.322, 0.871);
constexpr Color kBlue = rgb(0.0, 0.478, 1.0);
constexpr Color kOrange = rgb(1.0, 0.584, 0.0);
constexpr Color kGreen = rgb(0.204, 0.780, 0.349);
constexpr Color kPink = rgb(1.0, 0.176, 0.333);
constexpr Color kWhite = rgb(1, 1, 1);
constexpr Color kClear = rgb(0, 0, 0, 0);

bool contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

// "#RRGGBB" or "#RGB": a "#" and 7 or 4 characters in all.
bool looksLikeHex(const std::string& text)
{
    if (!text.starts_with('#')) {
        return false;
    }
    const std::size_t length = text::graphemeCount(text);
    return length == 7 || length == 4;
}

LiveChipCategory liveCategory(const SuggestionModel& model)
{
    if (contains(model.title, "Keychain") || contains(model.title, "Password")) {
        return {Kind::keychain, {}};
    }
    if (model.body && contains(text::lowercased(*model.body), "keychain")) {
        return {Kind::keychain, {}};
    }
    if (looksLikeHex(model.title)) {
        return {Kind::colorSwatch, model.title};
    }
    if (looksLikeHex(model.action)) {
        return {Kind::colorSwatch, model.action};
    }
    if (contains(model.title, "Color") || contains(model.title, "Date") || contains(model.title, "Time")) {
        return {Kind::generalTool, {}};
    }
    return {Kind::memory, {}};
}

}  // namespace

struct SuggestionChip::Palette {
    std::string_view icon;
    Color header;
    Gradient gradient;
    Color border;
    Color shadow;
};

SuggestionChip::SuggestionChip(bool showShortcutHints, int index, SuggestionModel model,
                               std::string shortcutText, bool isActive, bool isHovered)
    : showShortcutHints_(showShortcutHints), index_(index), model_(std::move(model)),
      shortcutText_(std::move(shortcutText)), isActive_(isActive), isHovered_(isHovered)
{
}

bool SuggestionChip::showShortcutHints(const UserDefaults& defaults, bool fallback)
{
    const auto value = defaults.objectForKey(SuggestionDefaultsKeys::showShortcutHints);
    const bool* stored = value ? value->get<bool>() : nullptr;
    return stored ? *stored : fallback;
}

LiveChipCategory SuggestionChip::category() const
{
    switch (model_.type) {
    case SuggestionType::mistake:
        return {Kind::mistake, {}};
    case SuggestionType::snippet:
        return {Kind::snippet, {}};
    case SuggestionType::live:
        return liveCategory(model_);
    case SuggestionType::tool:
        return {Kind::devOpsTool, {}};
    case SuggestionType::mcp:
        return {Kind::mcp, {}};
    case SuggestionType::knowledge:
        return {Kind::knowledge, {}};
    case SuggestionType::ai:
        return {Kind::ai, {}};
    case SuggestionType::proactive:
        return {Kind::proactive, {}};
    }
    return {Kind::memory, {}};
}

SuggestionChip::Palette SuggestionChip::palette() const
{
    const LiveChipCategory chip = category();
    switch (chip.kind) {
    case Kind::mistake:
        return {"exclamationmark.shield.fill",
                rgb(0.95, 0.4, 0.4),
                {rgb(0.95, 0.35, 0.35), rgb(0.85, 0.2, 0.2)},
                rgb(0.95, 0.35, 0.35, 0.25),
                withAlpha(kRed, 0.3)};
    case Kind::memory:
        return {"sparkles",
                rgb(0.7, 0.5, 0.95),
                {rgb(0.55, 0.35, 0.85), rgb(0.4, 0.2, 0.7)},
                rgb(0.55, 0.35, 0.85, 0.25),
                withAlpha(kPurple, 0.3)};
    case Kind::keychain:
        return {"key.fill",
                rgb(0.35, 0.65, 0.95),
                {rgb(0.25, 0.55, 0.85), rgb(0.15, 0.4, 0.7)},
                rgb(0.25, 0.55, 0.85, 0.25),
                withAlpha(kBlue, 0.3)};
    case Kind::generalTool:
        return {"wrench.and.screwdriver.fill",
                rgb(0.95, 0.6, 0.2),
                {rgb(0.95, 0.6, 0.2), rgb(0.8, 0.45, 0.1)},
                rgb(0.95, 0.6, 0.2, 0.25),
                withAlpha(kOrange, 0.3)};
    case Kind::snippet:
        return {"doc.on.doc.fill",
                rgb(0.85, 0.45, 0.95),
                {rgb(0.75, 0.35, 0.85), rgb(0.55, 0.2, 0.7)},
                rgb(0.75, 0.35, 0.85, 0.25),
                withAlpha(kPurple, 0.3)};
    case Kind::devOpsTool:
        return {"terminal.fill",
                rgb(0.2, 0.8, 0.7),
                {rgb(0.1, 0.6, 0.3), rgb(0.05, 0.45, 0.2)},
                rgb(0.1, 0.6, 0.3, 0.25),
                withAlpha(kGreen, 0.3)};
    case Kind::knowledge:
        return {"brain.head.profile",
                rgb(0.15, 0.7, 0.9),
                {rgb(0.15, 0.65, 0.85), rgb(0.1, 0.5, 0.7)},
                rgb(0.15, 0.65, 0.85, 0.25),
                withAlpha(kBlue, 0.3)};
    case Kind::mcp:
        return {"app.connected.to.app.below.fill",
                rgb(0.9, 0.4, 0.8),
                {rgb(0.85, 0.35, 0.75), rgb(0.7, 0.2, 0.6)},
                rgb(0.85, 0.35, 0.75, 0.25),
                withAlpha(kPink, 0.3)};
    case Kind::ai:
        return {"sparkles",
                rgb(0.8, 0.4, 1.0),
                {rgb(0.7, 0.3, 0.95), rgb(0.5, 0.15, 0.8)},
                rgb(0.7, 0.3, 0.95, 0.35),
                withAlpha(kPurple, 0.4)};
    case Kind::proactive:
        return {"sun.max.fill",
                rgb(0.95, 0.75, 0.2),
                {rgb(0.95, 0.75, 0.15), rgb(0.8, 0.55, 0.05)},
                rgb(0.95, 0.75, 0.15, 0.25),
                withAlpha(kOrange, 0.4)};
    case Kind::colorSwatch:
        if (const auto color = HexColor::parse(chip.hexText)) {
            return {"paintpalette.fill",
                    *color,
                    {withAlpha(*color, 0.85), *color},
                    withAlpha(*color, 0.35),
                    withAlpha(*color, 0.4)};
        }
        return {"paintpalette.fill",
                rgb(0.2, 0.85, 0.6),
                {rgb(0.15, 0.75, 0.5), rgb(0.1, 0.6, 0.4)},
                rgb(0.15, 0.75, 0.5, 0.25),
                withAlpha(kGreen, 0.3)};
    }
    return {};
}

std::string_view SuggestionChip::iconName() const
{
    return palette().icon;
}

Color SuggestionChip::headerColor() const
{
    return isActive_ ? kWhite : palette().header;
}

SuggestionChip::Gradient SuggestionChip::activeGradient() const
{
    return palette().gradient;
}

Color SuggestionChip::inactiveBorderColor() const
{
    return palette().border;
}

Color SuggestionChip::shadowColor() const
{
    return isActive_ ? palette().shadow : kClear;
}

std::optional<std::string> SuggestionChip::badgeText() const
{
    if (!showShortcutHints_) {
        return std::nullopt;
    }
    return shortcutText_ + std::to_string(index_ + 1);
}

std::optional<Color> SuggestionChip::swatchColor() const
{
    const LiveChipCategory chip = category();
    if (chip.kind != Kind::colorSwatch) {
        return std::nullopt;
    }
    return HexColor::parse(chip.hexText);
}

Color SuggestionChip::inactiveFill() const
{
    return withAlpha(kWhite, isHovered_ ? 0.08 : 0.02);
}

Color SuggestionChip::borderColor() const
{
    return isActive_ ? kClear : inactiveBorderColor();
}

Color SuggestionChip::bodyColor() const
{
    return withAlpha(kWhite, isActive_ ? 0.8 : 0.55);
}

double SuggestionChip::scale() const
{
    if (isActive_) {
        return 1.03;
    }
    return isHovered_ ? 1.015 : 1.0;
}

}  // namespace qm
