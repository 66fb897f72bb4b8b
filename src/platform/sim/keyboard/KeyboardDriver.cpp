#include "platform/sim/keyboard/KeyboardDriver.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/CharacterBreaks.h"
#include "base/Text.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/sim/keyboard/SimEventStream.h"
#include "platform/sim/keyboard/UsKeyboardLayout.h"

namespace qm {
namespace {

struct Modifier {
    std::string_view name;
    EventFlags flag;
    std::uint16_t keyCode;
};

// In the order they are pressed.
constexpr std::array<Modifier, 4> modifierKeys{{
    {"command", KeyEventFlags::command, KeyCode::command},
    {"control", KeyEventFlags::control, KeyCode::control},
    {"option", KeyEventFlags::alternate, KeyCode::option},
    {"shift", KeyEventFlags::shift, KeyCode::shift},
}};

struct NamedKey {
    std::string_view name;
    std::uint16_t keyCode;
    char16_t text;
    EventFlags flags;
};

constexpr EventFlags arrowFlags = KeyEventFlags::numericPad | KeyEventFlags::secondaryFn;

constexpr std::array<NamedKey, 12> namedKeys{{
    {"return", KeyCode::returnKey, u'\r', 0},
    {"enter", KeyCode::returnKey, u'\r', 0},
    {"tab", KeyCode::tab, u'\t', 0},
    {"space", KeyCode::space, u' ', 0},
    {"delete", KeyCode::deleteKey, u'\x7f', 0},
    {"backspace", KeyCode::deleteKey, u'\x7f', 0},
    {"esc", KeyCode::escape, u'\x1b', 0},
    {"escape", KeyCode::escape, u'\x1b', 0},
    {"left", KeyCode::leftArrow, u'\uF702', arrowFlags},
    {"right", KeyCode::rightArrow, u'\uF703', arrowFlags},
    {"up", KeyCode::upArrow, u'\uF700', arrowFlags},
    {"down", KeyCode::downArrow, u'\uF701', arrowFlags},
}};

std::string lowercase(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

EventFlags modifierFlag(std::string_view token)
{
    const std::string name = lowercase(token);
    if (name == "cmd" || name == "command") {
        return KeyEventFlags::command;
    }
    if (name == "ctrl" || name == "control") {
        return KeyEventFlags::control;
    }
    if (name == "opt" || name == "option" || name == "alt") {
        return KeyEventFlags::alternate;
    }
    if (name == "shift") {
        return KeyEventFlags::shift;
    }
    throw std::invalid_argument("KeyboardDriver: unknown modifier \"" + std::string(token) + "\"");
}

KeyEvent keyEvent(KeyEventType type, std::uint16_t keyCode, EventFlags flags, std::u16string_view text)
{
    KeyEvent event = KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, keyCode, true);
    event.setType(type);
    event.setFlags(flags);
    event.setUnicodeString(text);
    return event;
}

// Modifier presses, the key's down and up, then the releases in reverse.
void appendKeyStroke(std::vector<KeyEvent>& events, EventFlags modifiers, std::uint16_t keyCode,
                     EventFlags extraFlags, std::u16string_view text)
{
    EventFlags held = 0;
    for (const Modifier& modifier : modifierKeys) {
        if (modifiers & modifier.flag) {
            held |= modifier.flag;
            events.push_back(keyEvent(KeyEventType::flagsChanged, modifier.keyCode, held, u""));
        }
    }
    events.push_back(keyEvent(KeyEventType::keyDown, keyCode, held | extraFlags, text));
    events.push_back(keyEvent(KeyEventType::keyUp, keyCode, held | extraFlags, text));
    for (auto modifier = modifierKeys.rbegin(); modifier != modifierKeys.rend(); ++modifier) {
        if (modifiers & modifier->flag) {
            held &= ~modifier->flag;
            events.push_back(keyEvent(KeyEventType::flagsChanged, modifier->keyCode, held, u""));
        }
    }
}

char16_t withControl(char16_t character)
{
    const char16_t upper =
        (character >= u'a' && character <= u'z') ? static_cast<char16_t>(character - 32) : character;
    return (upper >= u'@' && upper <= u'_') ? static_cast<char16_t>(upper & 0x1F) : character;
}

// Text the layout cannot type goes as key 0 carrying it, in chunks that fit an event.
void appendUnicodeText(std::vector<KeyEvent>& events, std::u16string_view text)
{
    for (const std::u16string& chunk : KeyEvent::unicodeStringChunks(text)) {
        appendKeyStroke(events, 0, KeyCode::a, 0, chunk);
    }
}

}  // namespace

KeyboardDriver::KeyboardDriver(SimEventStream& stream) : stream_(stream) {}

std::vector<KeyEvent> KeyboardDriver::eventsForText(std::string_view utf8)
{
    const std::u16string text = text::toUtf16(utf8);
    std::vector<KeyEvent> events;
    text::CharacterBreaks breaks(text);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = breaks.following(start);
        const std::u16string_view character = std::u16string_view(text).substr(start, end - start);
        start = end;
        if (character == u"\n" || character == u"\r" || character == u"\r\n") {
            appendKeyStroke(events, 0, KeyCode::returnKey, 0, u"\r");
            continue;
        }
        if (character == u"\t") {
            appendKeyStroke(events, 0, KeyCode::tab, 0, u"\t");
            continue;
        }
        const auto key = character.size() == 1 ? UsKeyboardLayout::keyFor(character[0]) : std::nullopt;
        if (key) {
            appendKeyStroke(events, key->shift ? KeyEventFlags::shift : 0, key->keyCode, 0, character);
        } else {
            appendUnicodeText(events, character);
        }
    }
    return events;
}

std::vector<KeyEvent> KeyboardDriver::eventsForChord(std::string_view chord)
{
    // The key follows the last "+", unless the key is "+" itself ("cmd++", "+").
    std::string_view keyName = chord;
    std::string_view rest;
    if (chord.ends_with('+') && (chord.size() == 1 || chord[chord.size() - 2] == '+')) {
        keyName = chord.substr(chord.size() - 1);
        rest = chord.substr(0, chord.size() >= 2 ? chord.size() - 2 : 0);
    } else if (const std::size_t split = chord.rfind('+'); split != std::string_view::npos) {
        keyName = chord.substr(split + 1);
        rest = chord.substr(0, split);
    }
    EventFlags modifiers = 0;
    while (!rest.empty()) {
        const std::size_t plus = rest.find('+');
        modifiers |= modifierFlag(rest.substr(0, plus));
        rest = plus == std::string_view::npos ? std::string_view() : rest.substr(plus + 1);
    }

    std::vector<KeyEvent> events;
    const std::string name = lowercase(keyName);
    for (const NamedKey& named : namedKeys) {
        if (named.name == name) {
            char16_t text = named.text;
            if (named.keyCode == KeyCode::tab && (modifiers & KeyEventFlags::shift)) {
                text = u'\x19';
            }
            appendKeyStroke(events, modifiers, named.keyCode, named.flags, std::u16string_view(&text, 1));
            return events;
        }
    }
    const std::u16string character = text::toUtf16(keyName);
    const auto key = character.size() == 1 ? UsKeyboardLayout::keyFor(character[0]) : std::nullopt;
    if (!key) {
        throw std::invalid_argument("KeyboardDriver: no key for \"" + std::string(keyName) + "\"");
    }
    if (key->shift) {
        modifiers |= KeyEventFlags::shift;
    }
    char16_t text = *UsKeyboardLayout::characterFor(key->keyCode, (modifiers & KeyEventFlags::shift) != 0);
    if (modifiers & KeyEventFlags::control) {
        text = withControl(text);
    }
    appendKeyStroke(events, modifiers, key->keyCode, 0, std::u16string_view(&text, 1));
    return events;
}

void KeyboardDriver::type(std::string_view utf8)
{
    for (const KeyEvent& event : eventsForText(utf8)) {
        stream_.sendFromKeyboard(event);
    }
}

void KeyboardDriver::press(std::string_view chord)
{
    for (const KeyEvent& event : eventsForChord(chord)) {
        stream_.sendFromKeyboard(event);
    }
}

void KeyboardDriver::send(const KeyEvent& event)
{
    stream_.sendFromKeyboard(event);
}

}  // namespace qm
