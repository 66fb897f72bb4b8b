#include "platform/sim/views/QtKeyTranslation.h"

#include <optional>
#include <string>

#include <QKeyEvent>
#include <gtest/gtest.h>

#include "base/Text.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/sim/keyboard/KeyboardDriver.h"

namespace qm {
namespace {

struct TranslationCase {
    const char* title;
    QEvent::Type type;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    KeyEventType expectedType;
    std::uint16_t keyCode;
    EventFlags flags;
    std::u16string unicode;
};

class QtKeyTranslationTable : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(QtKeyTranslationTable, GivesThePlatformsKeyFlagsAndText)
{
    const TranslationCase& c = GetParam();
    const QKeyEvent event(c.type, c.key, c.modifiers, c.text);
    const auto translated = QtKeyTranslation::keyEvent(event);
    ASSERT_TRUE(translated) << c.title;
    EXPECT_EQ(translated->type(), c.expectedType) << c.title;
    EXPECT_EQ(translated->keyCode(), c.keyCode) << c.title;
    EXPECT_EQ(translated->flags(), c.flags) << c.title;
    EXPECT_EQ(std::u16string(translated->unicodeString()), c.unicode) << c.title;
    EXPECT_FALSE(translated->isOurs());
}

constexpr auto kPress = QEvent::KeyPress;
constexpr auto kDown = KeyEventType::keyDown;
constexpr EventFlags kArrow = KeyEventFlags::numericPad | KeyEventFlags::secondaryFn;

INSTANTIATE_TEST_SUITE_P(
    Cases, QtKeyTranslationTable,
    ::testing::Values(
        TranslationCase{"a", kPress, Qt::Key_A, Qt::NoModifier, "a", kDown, KeyCode::a, 0, u"a"},
        TranslationCase{"A with Shift", kPress, Qt::Key_A, Qt::ShiftModifier, "A", kDown, KeyCode::a,
                        KeyEventFlags::shift, u"A"},
        TranslationCase{"slash", kPress, Qt::Key_Slash, Qt::NoModifier, "/", kDown, KeyCode::slash, 0, u"/"},
        TranslationCase{"! is Shift-1", kPress, Qt::Key_Exclam, Qt::ShiftModifier, "!", kDown, KeyCode::one,
                        KeyEventFlags::shift, u"!"},
        TranslationCase{"Space", kPress, Qt::Key_Space, Qt::NoModifier, " ", kDown, KeyCode::space, 0, u" "},
        TranslationCase{"Return", kPress, Qt::Key_Return, Qt::NoModifier, "\r", kDown, KeyCode::returnKey, 0,
                        u"\r"},
        TranslationCase{"Backspace", kPress, Qt::Key_Backspace, Qt::NoModifier, "\b", kDown,
                        KeyCode::deleteKey, 0, u"\x7f"},
        TranslationCase{"Esc", kPress, Qt::Key_Escape, Qt::NoModifier, "\x1b", kDown, KeyCode::escape, 0,
                        u"\x1b"},
        TranslationCase{"Tab", kPress, Qt::Key_Tab, Qt::NoModifier, "\t", kDown, KeyCode::tab, 0, u"\t"},
        TranslationCase{"Shift-Tab", kPress, Qt::Key_Backtab, Qt::ShiftModifier, "", kDown, KeyCode::tab,
                        KeyEventFlags::shift, u"\x19"},
        TranslationCase{"Left", kPress, Qt::Key_Left, Qt::KeypadModifier, "", kDown, KeyCode::leftArrow,
                        kArrow, u"\uF702"},
        TranslationCase{"Down", kPress, Qt::Key_Down, Qt::NoModifier, "", kDown, KeyCode::downArrow, kArrow,
                        u"\uF701"},
        TranslationCase{"Ctrl-A is Command-A", kPress, Qt::Key_A, Qt::ControlModifier, "\x01", kDown,
                        KeyCode::a, KeyEventFlags::command, u"a"},
        TranslationCase{"Super-A is Control-A", kPress, Qt::Key_A, Qt::MetaModifier, "a", kDown, KeyCode::a,
                        KeyEventFlags::control, u"\x01"},
        TranslationCase{"Alt-a", kPress, Qt::Key_A, Qt::AltModifier, "a", kDown, KeyCode::a,
                        KeyEventFlags::alternate, u"a"},
        TranslationCase{"é has no US key", kPress, Qt::Key_Eacute, Qt::NoModifier, "\u00e9", kDown,
                        KeyCode::a, 0, u"\u00e9"},
        TranslationCase{"a released", QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a", KeyEventType::keyUp,
                        KeyCode::a, 0, u"a"},
        // Qt reports the modifiers from before a modifier key's own press or
        // release and gives them as after it; the platform's flags are after it.
        TranslationCase{"Shift pressed", kPress, Qt::Key_Shift, Qt::NoModifier, "",
                        KeyEventType::flagsChanged, KeyCode::shift, KeyEventFlags::shift, u""},
        TranslationCase{"Shift released", QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier, "",
                        KeyEventType::flagsChanged, KeyCode::shift, 0, u""},
        TranslationCase{"Ctrl pressed", kPress, Qt::Key_Control, Qt::NoModifier, "",
                        KeyEventType::flagsChanged, KeyCode::command, KeyEventFlags::command, u""}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// What a person types in a host window reaches the taps as the stand-in's
// own keyboard sends the same text.
TEST(QtKeyTranslationTest, TypedTextMatchesTheStandInKeyboard)
{
    const std::string typed = "//note Hi!";
    std::vector<KeyEvent> fromKeyboard;
    for (const KeyEvent& event : KeyboardDriver::eventsForText(typed)) {
        if (event.type() == KeyEventType::keyDown) {
            fromKeyboard.push_back(event);
        }
    }
    ASSERT_EQ(fromKeyboard.size(), typed.size());
    for (std::size_t index = 0; index < typed.size(); ++index) {
        const char c = typed[index];
        const bool shifted = (c >= 'A' && c <= 'Z') || c == '!';
        int key = c >= 'a' && c <= 'z' ? c - 32 : c;
        const QKeyEvent event(QEvent::KeyPress, key, shifted ? Qt::ShiftModifier : Qt::NoModifier,
                              QString(QChar(c)));
        const auto translated = QtKeyTranslation::keyEvent(event);
        ASSERT_TRUE(translated);
        EXPECT_EQ(*translated, fromKeyboard[index]) << c;
    }
}

TEST(QtKeyTranslationTest, OtherEventsAreNoKeys)
{
    const QKeyEvent event(QEvent::ShortcutOverride, Qt::Key_A, Qt::NoModifier, "a");
    EXPECT_FALSE(QtKeyTranslation::keyEvent(event));
}

}  // namespace
}  // namespace qm
