#include <vector>

#include <gtest/gtest.h>

#include "base/Text.h"
#include "platform/desktop/DesktopFixture.h"

namespace qm::test {
namespace {

using TextFieldKeysTest = DesktopFixture;

struct DeleteCase {
    const char* value;
    AXTextRange selection;
    const char* expected;
    std::int64_t expectedCaret;
};

TEST_F(TextFieldKeysTest, DeleteRemovesOneUserPerceivedCharacterOrTheSelection)
{
    const std::vector<DeleteCase> cases{
        {"ab", {2, 0}, "a", 1},
        {"a😀", {3, 0}, "a", 1},                           // 2 UTF-16 units
        {"a🇫🇷", {5, 0}, "a", 1},                          // a flag: 4 units
        {"a👨‍👩‍👧‍👦", {12, 0}, "a", 1},  // a family: 11 units
        {"ae\u0301", {3, 0}, "a", 1},                     // a combining accent goes with its letter
        {"a\r\nb", {3, 0}, "ab", 1},                      // CR LF is one character
        {"😀x", {2, 0}, "x", 0},                           // caret between the emoji and x
        {"hello world", {0, 5}, " world", 0},             // a selection goes as a whole
        {"hello", {0, 0}, "hello", 0},                    // nothing before the caret
        {"", {0, 0}, "", 0},
    };
    for (const DeleteCase& c : cases) {
        line.setValue(c.value);
        line.select(c.selection);
        desktop.keyboard().press("Delete");
        EXPECT_EQ(line.value(), c.expected) << c.value;
        EXPECT_EQ(line.selectedRange(), (AXTextRange{c.expectedCaret, 0})) << c.value;
    }
}

struct KeyCase {
    SimTextKind kind;
    const char* value;
    AXTextRange selection;
    const char* keys;  // typed text, or a chord when it starts with '!'
    const char* expected;
    AXTextRange expectedSelection;
};

TEST_F(TextFieldKeysTest, KeysEditLikeARealField)
{
    const auto single = SimTextKind::singleLine;
    const auto multi = SimTextKind::multiLine;
    const std::vector<KeyCase> cases{
        {single, "", {0, 0}, "Hi there", "Hi there", {8, 0}},
        {single, "abc", {1, 1}, "X", "aXc", {2, 0}},      // typing replaces the selection
        {single, "abc", {0, 0}, "😀", "😀abc", {2, 0}},     // positions are UTF-16 units
        {single, "ab", {1, 0}, "!Return", "ab", {1, 0}},  // one line: Return types nothing
        {multi, "ab", {1, 0}, "!Return", "a\nb", {2, 0}},
        {multi, "ab", {1, 0}, "\n", "a\nb", {2, 0}},
        {multi, "ab", {2, 0}, "!Tab", "ab\t", {3, 0}},
        {single, "abc", {3, 0}, "!cmd+a", "abc", {0, 3}},
        {single, "abc", {0, 3}, "!cmd+x", "abc", {0, 3}},  // other shortcuts type nothing
        {single, "abc", {3, 0}, "!ctrl+a", "abc", {3, 0}},
        {single, "abc", {3, 0}, "!Esc", "abc", {3, 0}},
        {single, "a😀b", {3, 0}, "!Left", "a😀b", {1, 0}},  // over the whole emoji
        {single, "a😀b", {1, 0}, "!Right", "a😀b", {3, 0}},
        {single, "abcd", {1, 2}, "!Left", "abcd", {1, 0}},  // to the selection's edge
        {single, "abcd", {1, 2}, "!Right", "abcd", {3, 0}},
        {single, "abcd", {2, 0}, "!Up", "abcd", {0, 0}},
        {single, "abcd", {2, 0}, "!Down", "abcd", {4, 0}},
        {multi, "abc\nde\nfgh", {2, 0}, "!Down", "abc\nde\nfgh", {6, 0}},  // column clamped to "de"
        {multi, "abc\nde\nfgh", {9, 0}, "!Up", "abc\nde\nfgh", {6, 0}},
        {multi, "abc\nde", {1, 0}, "!Up", "abc\nde", {0, 0}},
        {single, "ab", {2, 0}, "!Left", "ab", {1, 0}},
    };
    for (const KeyCase& c : cases) {
        SimTextField field = c.kind == multi ? area : line;
        field.focus();
        field.setValue(c.value);
        field.select(c.selection);
        if (c.keys[0] == '!') {
            desktop.keyboard().press(c.keys + 1);
        } else {
            desktop.keyboard().type(c.keys);
        }
        EXPECT_EQ(field.value(), c.expected) << c.value << " + " << c.keys;
        EXPECT_EQ(field.selectedRange(), c.expectedSelection) << c.value << " + " << c.keys;
    }
}

TEST_F(TextFieldKeysTest, TabInAOneLineFieldMovesTheFocusAndSelectsTheNextFieldsText)
{
    SimTextField third = addField(SimTextKind::singleLine, 300, "third");
    SimTextField password = addField(SimTextKind::secure, 340, "pw");
    third.focus();
    desktop.keyboard().press("Tab");
    EXPECT_EQ(editor.focusedElementId(), password.id());
    EXPECT_EQ(password.selectedRange(), (AXTextRange{0, 2}));
    desktop.keyboard().press("Tab");  // wraps around to the first field
    EXPECT_EQ(editor.focusedElementId(), line.id());
    desktop.keyboard().press("shift+Tab");
    EXPECT_EQ(editor.focusedElementId(), password.id());
    EXPECT_EQ(third.value(), "third");
}

TEST_F(TextFieldKeysTest, AnOpenMenuTakesTheKeysUntilEscapeGivesTheFocusBack)
{
    line.setValue("ab");
    editor.openMenu({"Copy", "Paste"}, Rect(100, 130, 120, 44));
    EXPECT_NE(editor.focusedElementId(), line.id());
    desktop.keyboard().type("xyz");
    desktop.keyboard().press("Delete");
    EXPECT_EQ(line.value(), "ab");
    desktop.keyboard().press("Esc");
    EXPECT_EQ(editor.focusedElementId(), line.id());
    desktop.keyboard().type("c");
    EXPECT_EQ(line.value(), "abc");
}

TEST_F(TextFieldKeysTest, WithoutAFrontmostApplicationOrFocusedFieldKeysGoNowhere)
{
    SimApplication idle = desktop.addApplication("com.example.idle", "Idle");
    idle.addWindow("Empty");
    idle.activate();
    desktop.keyboard().type("a");  // the idle application has nothing focused
    EXPECT_EQ(line.value(), "");
    EXPECT_EQ(desktop.eventTaps().deliveries().back().pid, idle.pid());

    idle.terminate();
    EXPECT_FALSE(desktop.workspace().frontmostApplication());
    desktop.keyboard().type("b");
    EXPECT_EQ(line.value(), "");
    EXPECT_EQ(desktop.eventTaps().deliveries().back().pid, 0);
}

}  // namespace
}  // namespace qm::test
