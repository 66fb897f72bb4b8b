#include "platform/sim/keyboard/SimKeyResponder.h"

#include <algorithm>
#include <vector>

#include "base/CharacterBreaks.h"
#include "platform/accessibility/AXRole.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/sim/accessibility/SimTextLayout.h"
#include "platform/sim/desktop/SimDesktopState.h"

namespace qm {
namespace {

// Control characters and the private-use characters of the function keys
// (arrows ...) are not text.
bool isTypeable(std::u16string_view text)
{
    if (text.empty()) {
        return false;
    }
    return std::none_of(text.begin(), text.end(), [](char16_t unit) {
        return unit < 0x20 || unit == 0x7F || (unit >= 0xF700 && unit <= 0xF8FF);
    });
}

void collectTextFields(SimDesktopState& state, std::uint64_t id, std::vector<std::uint64_t>& fields)
{
    const SimNode* node = state.node(id);
    if (!node) {
        return;
    }
    if (node->isText()) {
        fields.push_back(id);
    }
    for (const std::uint64_t child : node->children) {
        collectTextFields(state, child, fields);
    }
}

void moveFocusWithinWindow(SimDesktopState& state, const SimNode& field, bool backwards)
{
    std::vector<std::uint64_t> fields;
    collectTextFields(state, state.windowOf(field.id), fields);
    const auto here = std::find(fields.begin(), fields.end(), field.id);
    if (fields.size() < 2 || here == fields.end()) {
        return;
    }
    const auto index = static_cast<std::size_t>(here - fields.begin());
    const std::size_t next =
        backwards ? (index + fields.size() - 1) % fields.size() : (index + 1) % fields.size();
    SimNode& target = *state.node(fields[next]);
    state.focus(target.id);
    state.setSelection(target, {0, static_cast<std::int64_t>(target.text.size())});
}

void moveVertically(SimDesktopState& state, SimNode& field, std::size_t from, bool up)
{
    const std::size_t length = field.text.size();
    std::size_t caret;
    if (field.textKind != SimTextKind::multiLine) {
        caret = up ? 0 : length;
    } else {
        const auto position = SimTextLayout::positionOf(field.text, from);
        const auto lastLine = SimTextLayout::positionOf(field.text, length).line;
        if (up) {
            caret = position.line == 0
                        ? 0
                        : SimTextLayout::offsetAt(field.text, position.line - 1, position.column);
        } else {
            caret = position.line == lastLine
                        ? length
                        : SimTextLayout::offsetAt(field.text, position.line + 1, position.column);
        }
    }
    state.setSelection(field, {static_cast<std::int64_t>(caret), 0});
}

void handleTextKey(SimDesktopState& state, SimNode& field, const KeyEvent& event)
{
    const EventFlags flags = event.modifierFlags();
    const auto start = static_cast<std::size_t>(field.selection.location);
    const auto end = static_cast<std::size_t>(field.selection.end());
    const bool multiLine = field.textKind == SimTextKind::multiLine;

    if (flags & KeyEventFlags::command) {
        if (event.keyCode() == KeyCode::a) {
            state.setSelection(field, {0, static_cast<std::int64_t>(field.text.size())});
        }
        return;
    }
    if (flags & KeyEventFlags::control) {
        return;
    }
    switch (event.keyCode()) {
    case KeyCode::deleteKey:
        if (start < end) {
            state.replaceText(field, start, end, u"");
        } else if (start > 0) {
            state.replaceText(field, text::CharacterBreaks(field.text).preceding(start), start, u"");
        }
        return;
    case KeyCode::returnKey:
    case KeyCode::keypadEnter:
        if (multiLine) {
            state.replaceText(field, start, end, u"\n");
        }
        return;
    case KeyCode::tab:
        if (multiLine) {
            state.replaceText(field, start, end, u"\t");
        } else {
            moveFocusWithinWindow(state, field, (flags & KeyEventFlags::shift) != 0);
        }
        return;
    case KeyCode::escape:
        return;
    case KeyCode::leftArrow: {
        const std::size_t caret = start < end ? start : text::CharacterBreaks(field.text).preceding(start);
        state.setSelection(field, {static_cast<std::int64_t>(caret), 0});
        return;
    }
    case KeyCode::rightArrow: {
        const std::size_t caret = start < end ? end : text::CharacterBreaks(field.text).following(end);
        state.setSelection(field, {static_cast<std::int64_t>(caret), 0});
        return;
    }
    case KeyCode::upArrow:
        moveVertically(state, field, start, true);
        return;
    case KeyCode::downArrow:
        moveVertically(state, field, end, false);
        return;
    default:
        break;
    }
    if (isTypeable(event.unicodeString())) {
        state.replaceText(field, start, end, event.unicodeString());
    }
}

}  // namespace

void SimKeyResponder::handle(SimDesktopState& state, SimAppRecord& app, const KeyEvent& event)
{
    if (event.type() != KeyEventType::keyDown) {
        return;
    }
    SimNode* focused = state.node(app.focusedElement);
    if (!focused) {
        return;
    }
    if (app.openMenu != 0 && (focused->id == app.openMenu || focused->parent == app.openMenu)) {
        if (event.keyCode() == KeyCode::escape || event.keyCode() == KeyCode::returnKey) {
            state.closeMenu(app.pid);
        }
        return;
    }
    if (focused->isText()) {
        handleTextKey(state, *focused, event);
    }
}

}  // namespace qm
