#include "platform/keyboard/KeyEvent.h"

#include <algorithm>

#include "base/CharacterBreaks.h"
#include "base/Text.h"

namespace qm {

KeyEvent KeyEvent::keyboardEvent(KeyEventSourceState source, std::uint16_t keyCode, bool keyDown)
{
    KeyEvent event;
    event.type_ = keyDown ? KeyEventType::keyDown : KeyEventType::keyUp;
    event.keyCode_ = keyCode;
    event.sourceState_ = source;
    return event;
}

KeyEvent KeyEvent::tapDisabled(KeyEventType type)
{
    KeyEvent event;
    event.type_ = type;
    return event;
}

void KeyEvent::setUnicodeString(std::u16string_view text)
{
    std::size_t length = std::min(text.size(), maxTextLength);
    if (length < text.size() && length > 0) {
        const char16_t last = text[length - 1];
        if (last >= 0xD800 && last <= 0xDBFF) {
            --length;  // a high surrogate whose partner was cut off
        }
    }
    std::copy_n(text.begin(), length, text_.begin());
    textLength_ = static_cast<std::uint8_t>(length);
}

std::string KeyEvent::text() const
{
    return text::toUtf8(unicodeString());
}

std::vector<std::u16string> KeyEvent::unicodeStringChunks(std::u16string_view text)
{
    text::CharacterBreaks characters(text);
    std::vector<std::u16string> chunks;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t limit = std::min(text.size(), start + maxTextLength);
        std::size_t end = limit;
        if (limit < text.size()) {
            // The last character boundary at or before the limit.
            const std::size_t boundary = characters.preceding(limit + 1);
            end = boundary > start ? boundary : limit;
            if (end == limit && end > start && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) {
                --end;  // one character longer than an event: cut between code points
            }
        }
        chunks.emplace_back(text.substr(start, end - start));
        start = end;
    }
    return chunks;
}

}  // namespace qm
