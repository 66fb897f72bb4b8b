#include "capture/CaptureOverlayViewModel.h"

#include <algorithm>

#include "base/Text.h"
#include "capture/CaptureTargetHints.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

namespace {

constexpr const char* kSlack = "slack";
constexpr const char* kCalc = "calc";

struct FolderSetting {
    const char* command;
    const char* key;
    const char* message;
};

constexpr FolderSetting kFolderSettings[] = {
    {"obsidian", "obsidianVaultPath",
     "Obsidian Vault Absolute Path is empty. Please configure it in Settings first."},
    {"logseq", "logseqGraphPath",
     "Logseq Graph Absolute Path is empty. Please configure it in Settings first."},
};

}  // namespace

std::optional<std::string> CaptureOverlayViewModel::configErrorMessageFor(const std::string& targetName,
                                                                          const UserDefaults& defaults)
{
    for (const FolderSetting& setting : kFolderSettings) {
        if (targetName != setting.command) {
            continue;
        }
        const std::string value = defaults.stringForKey(setting.key).value_or("");
        if (text::trimmed(value).empty()) {
            return std::string(setting.message);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

CaptureOverlayViewModel::PickerRow::Icon CaptureOverlayViewModel::iconFor(const std::string& displayName)
{
    if (displayName.starts_with('#')) {
        return PickerRow::Icon::channel;
    }
    if (displayName.starts_with('@')) {
        return PickerRow::Icon::person;
    }
    return PickerRow::Icon::other;
}

CaptureOverlayViewModel CaptureOverlayViewModel::make(const std::string& targetName,
                                                      const CaptureOverlayState& state,
                                                      const UserDefaults& defaults)
{
    CaptureOverlayViewModel model;
    model.configErrorMessage = configErrorMessageFor(targetName, defaults);
    if (model.configErrorMessage) {
        return model;
    }
    const bool isSlack = targetName == kSlack;

    if (state.isTargetConfirmed && state.confirmedTarget) {
        model.header =
            Header{Header::Kind::confirmedTarget, state.confirmedTarget->displayName, "esc to undo"};
    } else if (isSlack) {
        model.header = Header{Header::Kind::banner, "SLACK TARGET SELECTION", "#channels or @contacts"};
    } else if (const auto banner = CaptureTargetHints::banner(targetName)) {
        model.header = Header{Header::Kind::banner, banner->title, banner->subtitle};
    }

    model.messageText = state.messageInput;
    if (state.messageInput.empty()) {
        model.placeholder = CaptureTargetHints::placeholder(targetName, isSlack && !state.isTargetConfirmed);
    }
    if (targetName == kCalc && state.calcLivePreviewText) {
        model.calcResultLine = "= " + *state.calcLivePreviewText;
    }
    if (isSlack && !state.isTargetConfirmed) {
        const std::size_t count = std::min(state.pickerOptions.size(), maxPickerRows);
        for (std::size_t index = 0; index < count; ++index) {
            const PickerOption& option = state.pickerOptions[index];
            model.pickerRows.push_back(
                PickerRow{option, iconFor(option.displayName), state.selectedOption == option});
        }
    }
    return model;
}

}  // namespace qm
