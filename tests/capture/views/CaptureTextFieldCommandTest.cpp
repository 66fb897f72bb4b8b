#include <optional>
#include <string>

#include <QTest>
#include <gtest/gtest.h>

#include "capture/CaptureTextFieldCommands.h"
#include "capture/views/CaptureTextEdit.h"
#include "capture/views/OverlayRig.h"

namespace qm::test {
namespace {

// A target with a picker that is not filtered by typing: the field's keys
// move its highlight without any confirm step.
class PlainPickerTarget final : public CaptureTarget {
public:
    PlainPickerTarget() : CaptureTarget("lists", true) {}
    std::vector<PickerOption> pickerOptions(const CancellationToken&) override
    {
        return {{"1", "one"}, {"2", "two"}, {"3", "three"}};
    }
    void send(const std::string&, const std::optional<PickerOption>&) override {}
};

enum class Setup { noCapture, note, plainPicker, slackChoosing, slackConfirmed };

struct KeyCase {
    const char* title;
    Setup setup;
    int selectedBefore;  // -1: none highlighted
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int commits;
    int cancels;
    std::string textAfter;                            // the field starts with "ab"
    std::optional<int> selectedAfter = std::nullopt;  // -1: none
    std::optional<bool> confirmedAfter = std::nullopt;
    bool backToPicker = false;
};

// The message field's key table, through Qt's key events: which keys commit,
// cancel, confirm or move the picker's highlight, and which are left to the
// field as typing (a line break, a tab).
class CaptureTextFieldCommandTable : public OverlayRig, public ::testing::WithParamInterface<KeyCase> {
protected:
    CaptureTextFieldCommandTable()
        : commands(
              *router, center, [this] { ++commits; }, [this] { ++cancels; }),
          field(commands)
    {
        pick->setRows({{"C1", "#general"}, {"U1", "@dana"}, {"C2", "#design"}});
        field.setPlainText("ab");
        field.moveCursor(QTextCursor::End);
        field.show();
    }

    void prepare(const KeyCase& c)
    {
        switch (c.setup) {
        case Setup::noCapture:
            break;
        case Setup::note:
            openDirectly(note);
            break;
        case Setup::plainPicker:
            openDirectly(plainPicker);
            break;
        case Setup::slackChoosing:
        case Setup::slackConfirmed:
            openDirectly(pick);
            break;
        }
        if (c.setup != Setup::noCapture && c.setup != Setup::note) {
            router->setSelectedOption(
                c.selectedBefore < 0
                    ? std::nullopt
                    : std::optional(router->pickerOptions().at(static_cast<std::size_t>(c.selectedBefore))));
        }
        if (c.setup == Setup::slackConfirmed) {
            router->confirmSelectedTarget();
            ASSERT_TRUE(router->isTargetConfirmed());
        }
    }

    int selectedIndex() const
    {
        const auto& options = router->pickerOptions();
        const auto& selected = router->selectedOption();
        if (!selected) {
            return -1;
        }
        const auto found = std::find(options.begin(), options.end(), *selected);
        return found == options.end() ? -2 : static_cast<int>(found - options.begin());
    }

    std::shared_ptr<PlainPickerTarget> plainPicker = std::make_shared<PlainPickerTarget>();
    int commits = 0;
    int cancels = 0;
    CaptureTextFieldCommands commands;
    CaptureTextEdit field;
};

TEST_P(CaptureTextFieldCommandTable, KeyDoesWhatTheTableSays)
{
    const KeyCase& c = GetParam();
    prepare(c);
    std::vector<std::string> sizeRequests;
    center.addObserver("UpdateCapturePanelSize", nullptr,
                       [&](const Notification&) { sizeRequests.push_back(""); });

    QTest::keyClick(&field, c.key, c.modifiers);

    EXPECT_EQ(commits, c.commits);
    EXPECT_EQ(cancels, c.cancels);
    EXPECT_EQ(field.toPlainText().toStdString(), c.textAfter);
    if (c.confirmedAfter) {
        EXPECT_EQ(router->isTargetConfirmed(), *c.confirmedAfter);
        if (*c.confirmedAfter && c.setup == Setup::slackChoosing) {
            EXPECT_EQ(router->confirmedTarget(), (PickerOption{"C1", "#general"}));
            EXPECT_EQ(sizeRequests.size(), 1u);
        }
    }
    if (c.backToPicker) {
        EXPECT_FALSE(router->confirmedTarget().has_value());
        EXPECT_EQ(router->messageInput(), "");
        EXPECT_EQ(sizeRequests.size(), 1u);
        ASSERT_TRUE(waitFor([&] { return router->pickerOptions().size() == 3; }));
        EXPECT_EQ(selectedIndex(), 0);
    } else if (c.selectedAfter) {
        EXPECT_EQ(selectedIndex(), *c.selectedAfter);
    }
}

constexpr auto kNone = Qt::NoModifier;
constexpr auto kShift = Qt::ShiftModifier;

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureTextFieldCommandTable,
    ::testing::Values(
        KeyCase{"no target: Return commits", Setup::noCapture, -1, Qt::Key_Return, kNone, 1, 0, "ab"},
        KeyCase{"no target: Shift-Return breaks the line", Setup::noCapture, -1, Qt::Key_Return, kShift, 0, 0,
                "ab\n"},
        KeyCase{"no target: Esc cancels", Setup::noCapture, -1, Qt::Key_Escape, kNone, 0, 1, "ab"},
        KeyCase{"no target: Tab types a tab", Setup::noCapture, -1, Qt::Key_Tab, kNone, 0, 0, "ab\t"},
        KeyCase{"note: Return commits", Setup::note, -1, Qt::Key_Return, kNone, 1, 0, "ab"},
        KeyCase{"note: keypad Enter commits", Setup::note, -1, Qt::Key_Enter, Qt::KeypadModifier, 1, 0, "ab"},
        KeyCase{"note: Shift-Return breaks the line", Setup::note, -1, Qt::Key_Return, kShift, 0, 0, "ab\n"},
        KeyCase{"note: Esc cancels", Setup::note, -1, Qt::Key_Escape, kNone, 0, 1, "ab"},
        KeyCase{"note: Tab types a tab", Setup::note, -1, Qt::Key_Tab, kNone, 0, 0, "ab\t"},
        KeyCase{"note: Down is the caret's", Setup::note, -1, Qt::Key_Down, kNone, 0, 0, "ab", -1},
        KeyCase{"picker: Tab moves to the next row", Setup::plainPicker, 0, Qt::Key_Tab, kNone, 0, 0, "ab",
                1},
        KeyCase{"picker: Down moves to the next row", Setup::plainPicker, 1, Qt::Key_Down, kNone, 0, 0, "ab",
                2},
        KeyCase{"picker: Down on the last row wraps", Setup::plainPicker, 2, Qt::Key_Down, kNone, 0, 0, "ab",
                0},
        KeyCase{"picker: Up on the first row wraps", Setup::plainPicker, 0, Qt::Key_Up, kNone, 0, 0, "ab", 2},
        KeyCase{"picker: Shift-Tab moves to the previous row", Setup::plainPicker, 2, Qt::Key_Backtab, kShift,
                0, 0, "ab", 1},
        KeyCase{"picker: nothing highlighted, Down takes the first", Setup::plainPicker, -1, Qt::Key_Down,
                kNone, 0, 0, "ab", 0},
        KeyCase{"picker: nothing highlighted, Up takes the first", Setup::plainPicker, -1, Qt::Key_Up, kNone,
                0, 0, "ab", 0},
        KeyCase{"picker: Return commits", Setup::plainPicker, 1, Qt::Key_Return, kNone, 1, 0, "ab", 1},
        KeyCase{"slack choosing: Return confirms, sends nothing", Setup::slackChoosing, 0, Qt::Key_Return,
                kNone, 0, 0, "ab", std::nullopt, true},
        KeyCase{"slack choosing: Shift-Return confirms too", Setup::slackChoosing, 0, Qt::Key_Return, kShift,
                0, 0, "ab", std::nullopt, true},
        KeyCase{"slack choosing: Tab confirms", Setup::slackChoosing, 0, Qt::Key_Tab, kNone, 0, 0, "ab",
                std::nullopt, true},
        KeyCase{"slack choosing: Esc cancels the capture", Setup::slackChoosing, 0, Qt::Key_Escape, kNone, 0,
                1, "ab", 0, false},
        KeyCase{"slack choosing: Down moves the highlight", Setup::slackChoosing, 0, Qt::Key_Down, kNone, 0,
                0, "ab", 1, false},
        KeyCase{"slack choosing: Up wraps to the last", Setup::slackChoosing, 0, Qt::Key_Up, kNone, 0, 0,
                "ab", 2, false},
        KeyCase{"slack choosing: Shift-Tab does nothing", Setup::slackChoosing, 1, Qt::Key_Backtab, kShift, 0,
                0, "ab", 1, false},
        KeyCase{"slack confirmed: Return commits", Setup::slackConfirmed, 0, Qt::Key_Return, kNone, 1, 0,
                "ab", std::nullopt, true},
        KeyCase{"slack confirmed: Shift-Return commits", Setup::slackConfirmed, 0, Qt::Key_Return, kShift, 1,
                0, "ab", std::nullopt, true},
        KeyCase{"slack confirmed: Esc goes back to the picker", Setup::slackConfirmed, 0, Qt::Key_Escape,
                kNone, 0, 0, "ab", std::nullopt, false, true},
        KeyCase{"slack confirmed: Shift-Tab goes back to the picker", Setup::slackConfirmed, 0,
                Qt::Key_Backtab, kShift, 0, 0, "ab", std::nullopt, false, true},
        KeyCase{"slack confirmed: Tab types a tab", Setup::slackConfirmed, 0, Qt::Key_Tab, kNone, 0, 0,
                "ab\t", std::nullopt, true},
        KeyCase{"slack confirmed: Down is the caret's", Setup::slackConfirmed, 0, Qt::Key_Down, kNone, 0, 0,
                "ab", -1, true}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// Going back to the picker reloads its rows in the background; a reload that
// ends after the capture was closed leaves the closed capture alone.
TEST_F(OverlayRig, APickerReloadEndingAfterTheCaptureClosedChangesNothing)
{
    CaptureTextFieldCommands commands(
        *router, center, [] {}, [] {});
    openDirectly(pick);
    router->confirmSelectedTarget();
    ASSERT_TRUE(router->isTargetConfirmed());
    pick->loadGate.close();
    ASSERT_TRUE(commands.perform(CaptureTextFieldCommands::Command::cancelOperation, false));
    ASSERT_TRUE(waitFor([&] { return pick->loadGate.hasWaiter(); }));
    router->cancelCapture();
    pick->loadGate.open();
    drainBackground();
    EXPECT_FALSE(router->isCaptureModeActive());
    EXPECT_TRUE(router->pickerOptions().empty());
    EXPECT_FALSE(router->selectedOption().has_value());
}

// The Command key equivalents (Ctrl here) are the field's own editing actions.
TEST_F(OverlayRig, CaptureTextFieldPerformsItsKeyEquivalents)
{
    int commits = 0;
    CaptureTextFieldCommands commands(
        *router, center, [&] { ++commits; }, [] {});
    CaptureTextEdit field(commands);
    field.show();
    QTest::keyClicks(&field, "hello");
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(field.toPlainText().isEmpty());
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field.toPlainText().toStdString(), "hellohello");
    QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field.toPlainText().toStdString(), "hello");
    QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(field.toPlainText().toStdString(), "hellohello");
    EXPECT_EQ(commits, 0);
}

}  // namespace
}  // namespace qm::test
