#include "app/SyntheticTyping.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "base/Text.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/keyboard/SyntheticEventPoster.h"

namespace qm {

void SyntheticTyping::postDeletes(std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        postPair(KeyCode::deleteKey, {});
        std::this_thread::sleep_for(std::chrono::duration<double>(deletePause));
    }
}

void SyntheticTyping::postText(std::string_view utf8)
{
    if (utf8.empty()) {
        return;
    }
    for (const std::u16string& chunk : KeyEvent::unicodeStringChunks(text::toUtf16(utf8))) {
        postPair(KeyCode::a, chunk);
    }
}

void SyntheticTyping::postPair(std::uint16_t keyCode, std::u16string_view text)
{
    for (const bool keyDown : {true, false}) {
        KeyEvent event = KeyEvent::keyboardEvent(KeyEventSourceState::combinedSessionState, keyCode, keyDown);
        event.setUnicodeString(text);
        poster_.post(EventTap::Location::hid, event);
    }
}

}  // namespace qm
