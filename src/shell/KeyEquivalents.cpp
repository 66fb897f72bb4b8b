#include "shell/KeyEquivalents.h"

namespace qm {

namespace {

// One character, lower-cased (the letters are all the table has); nothing
// for anything longer or empty.
std::optional<char16_t> singleLowerCased(std::u16string_view characters)
{
    if (characters.size() != 1) {
        return std::nullopt;
    }
    const char16_t c = characters.front();
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

std::optional<EditingAction> commandAction(char16_t c, EventFlags flags)
{
    switch (c) {
    case u'c':
        return EditingAction::copy;
    case u'v':
        return EditingAction::paste;
    case u'x':
        return EditingAction::cut;
    case u'a':
        return EditingAction::selectAll;
    case u'z':
        return (flags & KeyEventFlags::shift) ? EditingAction::redo : EditingAction::undo;
    default:
        return std::nullopt;
    }
}

}  // namespace

std::optional<EditingAction> KeyEquivalents::forHostingView(KeyEventType type, EventFlags flags,
                                                            std::u16string_view charactersIgnoringModifiers)
{
    if (type != KeyEventType::keyDown) {
        return std::nullopt;
    }
    const auto c = singleLowerCased(charactersIgnoringModifiers);
    if (!c) {
        return std::nullopt;
    }
    if (flags & KeyEventFlags::command) {
        return commandAction(*c, flags);
    }
    if ((flags & KeyEventFlags::control) && *c == u'v') {
        return EditingAction::paste;
    }
    return std::nullopt;
}

std::optional<EditingAction>
KeyEquivalents::forCaptureTextView(KeyEventType type, EventFlags flags,
                                   std::u16string_view charactersIgnoringModifiers)
{
    if (type != KeyEventType::keyDown || !(flags & KeyEventFlags::command)) {
        return std::nullopt;
    }
    const auto c = singleLowerCased(charactersIgnoringModifiers);
    return c ? commandAction(*c, flags) : std::nullopt;
}

}  // namespace qm
