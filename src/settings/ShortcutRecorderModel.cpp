#include "settings/ShortcutRecorderModel.h"

#include "capture/CaptureDefaultsKeys.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/storage/UserDefaults.h"
#include "shell/ShortcutPreference.h"

namespace qm {
namespace {

std::optional<bool> storedBool(const UserDefaults& defaults, const char* key)
{
    auto value = defaults.objectForKey(key);
    if (!value) {
        return std::nullopt;
    }
    if (const bool* flag = value->get<bool>()) {
        return *flag;
    }
    return std::nullopt;
}

}  // namespace

ShortcutRecorderModel::ShortcutRecorderModel(UserDefaults& defaults, NotificationCenter& notificationCenter)
    : defaults_(defaults), notificationCenter_(notificationCenter), modifiers_(storedModifiers(defaults))
{
}

ShortcutRecorderModel::Modifiers ShortcutRecorderModel::storedModifiers(const UserDefaults& defaults)
{
    return Modifiers{storedBool(defaults, CaptureDefaultsKeys::shortcutHasControl).value_or(true),
                     storedBool(defaults, CaptureDefaultsKeys::shortcutHasOption).value_or(false),
                     storedBool(defaults, CaptureDefaultsKeys::shortcutHasShift).value_or(false),
                     storedBool(defaults, CaptureDefaultsKeys::shortcutHasCommand).value_or(false)};
}

std::optional<std::string> ShortcutRecorderModel::refusal(const Modifiers& held)
{
    if (held.control) {
        return std::nullopt;
    }
    if (held.command && !held.option && !held.shift) {
        return "\u23181\u20134 is reserved for macOS and Safari app tab switching. Please include Control.";
    }
    if (held.option && !held.command && !held.shift) {
        return "\u23251\u20134 is used by macOS to type special characters (\u23251 = \u00a1). Please "
               "include Control.";
    }
    if (held.command && held.shift && !held.option) {
        return "\u2318\u21e71\u20134 is reserved for macOS system screenshot shortcuts.";
    }
    if (held.command && held.option && !held.shift) {
        return "\u2318\u23251\u20134 conflicts with App Window/Tab controls. Please include Control.";
    }
    return std::nullopt;
}

std::string ShortcutRecorderModel::hintText() const
{
    if (recording_) {
        return "Hold modifiers down. Press any regular letter or Esc to save and finish.";
    }
    return "Hold modifier keys to customize. The chosen combo must include Control or not conflict with "
           "system "
           "defaults.";
}

void ShortcutRecorderModel::toggleRecording()
{
    recording_ = !recording_;
    if (recording_) {
        errorMessage_.reset();
    }
    changed();
}

bool ShortcutRecorderModel::handleEvent(const KeyEvent& event)
{
    if (!recording_) {
        return false;
    }
    const EventFlags flags = event.flags();
    const Modifiers held{(flags & KeyEventFlags::control) != 0, (flags & KeyEventFlags::alternate) != 0,
                         (flags & KeyEventFlags::shift) != 0, (flags & KeyEventFlags::command) != 0};
    if (held.control || held.option || held.shift || held.command) {
        modifiers_ = held;
        errorMessage_ = refusal(held);
        if (!errorMessage_) {
            save(held);
        }
    }
    if (event.type() != KeyEventType::keyDown) {
        changed();
        return false;
    }
    recording_ = false;
    if (errorMessage_) {
        modifiers_ = storedModifiers(defaults_);
        errorMessage_.reset();
    }
    changed();
    return true;
}

void ShortcutRecorderModel::save(const Modifiers& held)
{
    defaults_.set(CaptureDefaultsKeys::shortcutHasControl, held.control);
    defaults_.set(CaptureDefaultsKeys::shortcutHasOption, held.option);
    defaults_.set(CaptureDefaultsKeys::shortcutHasShift, held.shift);
    defaults_.set(CaptureDefaultsKeys::shortcutHasCommand, held.command);
    defaults_.set(hasSelectedShortcutKey, true);
    notificationCenter_.post(ShortcutPreference::changedNotification);
}

void ShortcutRecorderModel::changed()
{
    if (onChange) {
        onChange();
    }
}

}  // namespace qm
