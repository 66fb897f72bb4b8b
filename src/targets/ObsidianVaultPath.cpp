#include "targets/ObsidianVaultPath.h"

#include <filesystem>
#include <system_error>

#include "base/Paths.h"
#include "base/PlatformError.h"
#include "base/Text.h"
#include "targets/NoteFile.h"

namespace qm {

namespace {

bool isFolder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

ObsidianVaultPath::Resolution ObsidianVaultPath::resolve(std::string_view configuredPath)
{
    const std::string path = text::trimmed(paths::expandTilde(configuredPath));
    if (path.empty()) {
        throw PlatformError(kErrorDomain, kNotConfiguredCode, kNotConfiguredDescription);
    }
    if (!isFolder(path)) {
        throw PlatformError(kErrorDomain, kNotAFolderCode, notAFolderDescription(path));
    }
    for (std::string candidate = path;;) {
        if (isFolder(notefile::join(candidate, ".obsidian"))) {
            return {candidate, candidate != path, true};
        }
        const std::string above = notefile::parent(candidate);
        if (above.empty() || above == candidate || above == "/") {
            break;
        }
        candidate = above;
    }
    return {path, false, false};
}

std::string ObsidianVaultPath::notAFolderDescription(std::string_view path)
{
    return "Obsidian vault path does not exist or is not a folder: " + std::string(path) +
           ". Re-select it under Capture Targets in Quillmarker Settings.";
}

}  // namespace qm
