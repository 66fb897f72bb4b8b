#include "suggestions/SuggestionShortcutText.h"

#include "capture/CaptureDefaultsKeys.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

std::string SuggestionShortcutText::modifierText(const UserDefaults& defaults)
{
    const auto flag = [&defaults](const char* key, bool fallback) {
        const auto value = defaults.objectForKey(key);
        const bool* stored = value ? value->get<bool>() : nullptr;
        return stored ? *stored : fallback;
    };
    std::string text;
    if (flag(CaptureDefaultsKeys::shortcutHasControl, true)) {
        text += "⌃";
    }
    if (flag(CaptureDefaultsKeys::shortcutHasOption, false)) {
        text += "⌥";
    }
    if (flag(CaptureDefaultsKeys::shortcutHasShift, false)) {
        text += "⇧";
    }
    if (flag(CaptureDefaultsKeys::shortcutHasCommand, false)) {
        text += "⌘";
    }
    return text.empty() ? "⌃" : text;
}

}  // namespace qm
