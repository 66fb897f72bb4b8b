#include "platform/sim/views/QtKeyTranslation.h"

#include <array>

#include <QKeyEvent>
#include <QString>

#include "platform/keyboard/KeyCode.h"
#include "platform/linux/keyboard/QtKeyModifiers.h"
#include "platform/sim/keyboard/UsKeyboardLayout.h"

namespace qm {

namespace {

constexpr EventFlags kFunctionKeyFlags = KeyEventFlags::numericPad | KeyEventFlags::secondaryFn;

struct NamedKey {
    int qtKey;
    std::uint16_t keyCode;
    char16_t text;  // 0: none
    EventFlags extraFlags;
};

constexpr std::array<NamedKey, 19> kNamedKeys{{
    {Qt::Key_Return, KeyCode::returnKey, u'\r', 0},
    {Qt::Key_Enter, KeyCode::keypadEnter, u'\x03', KeyEventFlags::numericPad},
    {Qt::Key_Tab, KeyCode::tab, u'\t', 0},
    {Qt::Key_Backtab, KeyCode::tab, u'\x19', 0},
    {Qt::Key_Space, KeyCode::space, u' ', 0},
    {Qt::Key_Backspace, KeyCode::deleteKey, u'\x7f', 0},
    {Qt::Key_Escape, KeyCode::escape, u'\x1b', 0},
    {Qt::Key_Delete, KeyCode::forwardDelete, u'\uF728', KeyEventFlags::secondaryFn},
    {Qt::Key_Left, KeyCode::leftArrow, u'\uF702', kFunctionKeyFlags},
    {Qt::Key_Right, KeyCode::rightArrow, u'\uF703', kFunctionKeyFlags},
    {Qt::Key_Up, KeyCode::upArrow, u'\uF700', kFunctionKeyFlags},
    {Qt::Key_Down, KeyCode::downArrow, u'\uF701', kFunctionKeyFlags},
    {Qt::Key_Home, 115, u'\uF729', KeyEventFlags::secondaryFn},
    {Qt::Key_End, 119, u'\uF72B', KeyEventFlags::secondaryFn},
    {Qt::Key_PageUp, 116, u'\uF72C', KeyEventFlags::secondaryFn},
    {Qt::Key_PageDown, 121, u'\uF72D', KeyEventFlags::secondaryFn},
    {Qt::Key_Shift, KeyCode::shift, 0, 0},
    {Qt::Key_Control, KeyCode::command, 0, 0},
    {Qt::Key_Meta, KeyCode::control, 0, 0},
}};

constexpr std::array<std::pair<int, std::uint16_t>, 3> kMoreModifierKeys{{
    {Qt::Key_Alt, KeyCode::option},
    {Qt::Key_AltGr, KeyCode::rightOption},
    {Qt::Key_CapsLock, KeyCode::capsLock},
}};

bool isModifierKey(int qtKey)
{
    return qtKey == Qt::Key_Shift || qtKey == Qt::Key_Control || qtKey == Qt::Key_Meta ||
           qtKey == Qt::Key_Alt || qtKey == Qt::Key_AltGr || qtKey == Qt::Key_CapsLock;
}

const NamedKey* namedKey(int qtKey)
{
    for (const NamedKey& named : kNamedKeys) {
        if (named.qtKey == qtKey) {
            return &named;
        }
    }
    return nullptr;
}

// Ctrl-style control characters: Control with @ A-Z [ \ ] ^ _.
char16_t withControl(char16_t character)
{
    const char16_t upper =
        (character >= u'a' && character <= u'z') ? static_cast<char16_t>(character - 32) : character;
    return (upper >= u'@' && upper <= u'_') ? static_cast<char16_t>(upper & 0x1F) : character;
}

std::u16string toUtf16(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

}  // namespace

std::optional<std::uint16_t> QtKeyTranslation::keyCode(int qtKey)
{
    if (const NamedKey* named = namedKey(qtKey)) {
        return named->keyCode;
    }
    for (const auto& [key, code] : kMoreModifierKeys) {
        if (key == qtKey) {
            return code;
        }
    }
    if (qtKey > Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde) {
        char16_t character = static_cast<char16_t>(qtKey);
        if (character >= u'A' && character <= u'Z') {
            character = static_cast<char16_t>(character + 32);
        }
        if (const auto key = UsKeyboardLayout::keyFor(character)) {
            return key->keyCode;
        }
    }
    return std::nullopt;
}

std::optional<KeyEvent> QtKeyTranslation::keyEvent(const QKeyEvent& event)
{
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease) {
        return std::nullopt;
    }
    const bool press = event.type() == QEvent::KeyPress;
    const int qtKey = event.key();
    EventFlags flags = QtKeyModifiers::flags(event.modifiers()) & ~KeyEventFlags::numericPad;

    KeyEvent result = KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, 0, press);
    if (isModifierKey(qtKey)) {
        result.setType(KeyEventType::flagsChanged);
        result.setKeyCode(*keyCode(qtKey));
        result.setFlags(flags);
        return result;
    }
    result.setType(press ? KeyEventType::keyDown : KeyEventType::keyUp);

    if (const NamedKey* named = namedKey(qtKey)) {
        result.setKeyCode(named->keyCode);
        result.setFlags(flags | named->extraFlags);
        if (named->text != 0) {
            const char16_t text =
                (named->qtKey == Qt::Key_Tab && (flags & KeyEventFlags::shift)) ? u'\x19' : named->text;
            result.setUnicodeString(std::u16string_view(&text, 1));
        }
        return result;
    }

    // The character the key typed: Qt's text, unless Command or Control
    // changed it (Qt gives a control character under Ctrl, which here is
    // Command); then the key's own character with Shift applied.
    const QString typed = event.text();
    const bool printable =
        typed.size() == 1 && typed.front().unicode() >= 0x20 && typed.front().unicode() != 0x7F;
    std::u16string character;
    if (printable && !(flags & (KeyEventFlags::command | KeyEventFlags::control))) {
        character = toUtf16(typed);
    } else {
        character = QtKeyModifiers::charactersIgnoringModifiers(event);
    }
    std::optional<std::uint16_t> code;
    if (character.size() == 1) {
        if (const auto key = UsKeyboardLayout::keyFor(character.front())) {
            code = key->keyCode;
        }
    }
    if (!code) {
        code = keyCode(qtKey);
    }
    if (code && character.size() == 1) {
        char16_t unicode = character.front();
        if (flags & KeyEventFlags::control) {
            unicode = withControl(unicode);
        }
        result.setKeyCode(*code);
        result.setFlags(flags);
        result.setUnicodeString(std::u16string_view(&unicode, 1));
        return result;
    }
    // No US key types it: key 0 carrying the text, as the stand-in keyboard sends it.
    result.setKeyCode(KeyCode::a);
    result.setFlags(flags);
    result.setUnicodeString(toUtf16(event.text()));
    return result;
}

}  // namespace qm
