#include "suggestions/SuggestionShortcutText.h"

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "platform/storage/UserDefaults.h"

namespace qm {
namespace {

struct ModifierCase {
    std::map<std::string, DefaultsValue> stored;
    std::string expected;
};

class SuggestionModifierText : public ::testing::TestWithParam<ModifierCase> {};

TEST_P(SuggestionModifierText, FollowsTheShortcutSettings)
{
    UserDefaults defaults("");
    for (const auto& [key, value] : GetParam().stored) {
        defaults.set(key, value);
    }
    EXPECT_EQ(SuggestionShortcutText::modifierText(defaults), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SuggestionModifierText,
    ::testing::Values(ModifierCase{{}, "⌃"},
                      // No modifier at all: Control stands in, as the tap does.
                      ModifierCase{{{"shortcutHasControl", false}}, "⌃"},
                      ModifierCase{{{"shortcutHasControl", false}, {"shortcutHasShift", true}}, "⇧"},
                      ModifierCase{{{"shortcutHasOption", true}}, "⌃⌥"},
                      ModifierCase{{{"shortcutHasCommand", true},
                                    {"shortcutHasShift", true},
                                    {"shortcutHasOption", true},
                                    {"shortcutHasControl", true}},
                                   "⌃⌥⇧⌘"},
                      // Only Booleans count: anything else is the key's default.
                      ModifierCase{{{"shortcutHasControl", 0}, {"shortcutHasOption", "yes"}}, "⌃"},
                      ModifierCase{{{"shortcutHasControl", false}, {"shortcutHasCommand", 1}}, "⌃"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
}  // namespace qm
