#include "shell/KeyEquivalents.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace qm {
namespace {

using Action = EditingAction;
constexpr EventFlags kCommand = KeyEventFlags::command;
constexpr EventFlags kControl = KeyEventFlags::control;
constexpr EventFlags kShift = KeyEventFlags::shift;

struct EquivalentCase {
    const char* title;
    KeyEventType type;
    EventFlags flags;
    std::u16string characters;
    std::optional<Action> hosting;
    std::optional<Action> captureField;
};

class KeyEquivalentTable : public ::testing::TestWithParam<EquivalentCase> {};

TEST_P(KeyEquivalentTable, MapsTheEditingKeys)
{
    const EquivalentCase& c = GetParam();
    EXPECT_EQ(KeyEquivalents::forHostingView(c.type, c.flags, c.characters), c.hosting) << c.title;
    EXPECT_EQ(KeyEquivalents::forCaptureTextView(c.type, c.flags, c.characters), c.captureField) << c.title;
}

constexpr auto kDown = KeyEventType::keyDown;

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyEquivalentTable,
    ::testing::Values(
        EquivalentCase{"Command-C", kDown, kCommand, u"c", Action::copy, Action::copy},
        EquivalentCase{"Command-V", kDown, kCommand, u"v", Action::paste, Action::paste},
        EquivalentCase{"Command-X", kDown, kCommand, u"x", Action::cut, Action::cut},
        EquivalentCase{"Command-A", kDown, kCommand, u"a", Action::selectAll, Action::selectAll},
        EquivalentCase{"Command-Z", kDown, kCommand, u"z", Action::undo, Action::undo},
        EquivalentCase{"Command-Shift-Z comes as Z", kDown, kCommand | kShift, u"Z", Action::redo,
                       Action::redo},
        EquivalentCase{"Command with a capital C", kDown, kCommand, u"C", Action::copy, Action::copy},
        EquivalentCase{"Control-V pastes in the windows only", kDown, kControl, u"v", Action::paste,
                       std::nullopt},
        EquivalentCase{"Control-Command-V is Command-V", kDown, kControl | kCommand, u"v", Action::paste,
                       Action::paste},
        EquivalentCase{"Control-C is nothing", kDown, kControl, u"c", std::nullopt, std::nullopt},
        EquivalentCase{"Command-W goes on", kDown, kCommand, u"w", std::nullopt, std::nullopt},
        EquivalentCase{"Command-Q goes on", kDown, kCommand, u"q", std::nullopt, std::nullopt},
        EquivalentCase{"no modifier", kDown, 0, u"c", std::nullopt, std::nullopt},
        EquivalentCase{"no characters", kDown, kCommand, u"", std::nullopt, std::nullopt},
        EquivalentCase{"a key-up", KeyEventType::keyUp, kCommand, u"c", std::nullopt, std::nullopt},
        EquivalentCase{"flags changed", KeyEventType::flagsChanged, kCommand, u"", std::nullopt,
                       std::nullopt}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
}  // namespace qm
