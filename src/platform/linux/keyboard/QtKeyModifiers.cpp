#include "platform/linux/keyboard/QtKeyModifiers.h"

#include <QKeyEvent>
#include <QString>

namespace qm {

EventFlags QtKeyModifiers::flags(Qt::KeyboardModifiers modifiers)
{
    EventFlags flags = 0;
    if (modifiers & Qt::ShiftModifier) {
        flags |= KeyEventFlags::shift;
    }
    if (modifiers & Qt::ControlModifier) {
        flags |= KeyEventFlags::command;
    }
    if (modifiers & Qt::MetaModifier) {
        flags |= KeyEventFlags::control;
    }
    if (modifiers & Qt::AltModifier) {
        flags |= KeyEventFlags::alternate;
    }
    if (modifiers & Qt::KeypadModifier) {
        flags |= KeyEventFlags::numericPad;
    }
    return flags;
}

std::u16string QtKeyModifiers::charactersIgnoringModifiers(const QKeyEvent& event)
{
    const int key = event.key();
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) {
        char16_t character = static_cast<char16_t>(key);
        if (character >= u'A' && character <= u'Z' && !(event.modifiers() & Qt::ShiftModifier)) {
            character = static_cast<char16_t>(character + 32);
        }
        return std::u16string(1, character);
    }
    const QString text = event.text();
    if (text.isEmpty() || text.front().unicode() < 0x20 || text.front().unicode() == 0x7F) {
        return {};
    }
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

}  // namespace qm
