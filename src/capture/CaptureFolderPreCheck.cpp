#include "capture/CaptureFolderPreCheck.h"

#include <filesystem>
#include <system_error>

#include "base/Paths.h"
#include "base/Text.h"
#include "platform/storage/UserDefaults.h"
#include "targets/TargetsDefaultsKeys.h"

namespace qm {

namespace {

struct FolderSetting {
    std::string_view command;
    const char* defaultsKey;
    const char* label;
};

constexpr FolderSetting kFolderSettings[] = {
    {"obsidian", TargetsDefaultsKeys::obsidianVaultPath, "Obsidian vault"},
    {"logseq", TargetsDefaultsKeys::logseqGraphPath, "Logseq graph"},
};

}  // namespace

CaptureFolderPreCheck::CaptureFolderPreCheck(const UserDefaults& defaults) : defaults_(defaults) {}

std::string CaptureFolderPreCheck::expandTilde(std::string_view path)
{
    return paths::expandTilde(path);
}

std::optional<CaptureFailureNotice>
CaptureFolderPreCheck::missingPathFailure(std::string_view commandName) const
{
    const FolderSetting* setting = nullptr;
    for (const auto& candidate : kFolderSettings) {
        if (candidate.command == commandName) {
            setting = &candidate;
        }
    }
    if (setting == nullptr) {
        return std::nullopt;
    }

    const std::string configured = text::trimmed(defaults_.stringForKey(setting->defaultsKey).value_or(""));
    const std::string expanded = expandTilde(configured);
    std::error_code error;
    if (!configured.empty() && std::filesystem::is_directory(expanded, error)) {
        return std::nullopt;
    }

    const std::string label = setting->label;
    const std::string command(commandName);
    const std::string detail =
        configured.empty() ? "No " + label + " folder is set. Choose the folder in Settings, then type //" +
                                 command + " again."
                           : label + " path does not exist or is not a folder: " + expanded +
                                 ". Choose it again in Settings.";
    // The guide is the folder setting's, whatever the sentence says.
    return CaptureFailureNotice::guided(command, detail, /*saved=*/false, "path");
}

}  // namespace qm
