#pragma once

#include <string>
#include <string_view>

namespace qm {

// Turns the configured Obsidian vault path into the vault root: a user who
// picked a folder inside the vault gets the nearest folder above it that holds
// ".obsidian". The Obsidian target resolves on every capture; the settings
// window resolves for the status line under the vault path.
class ObsidianVaultPath {
public:
    // The errors of the Obsidian target: PlatformError values in this domain.
    static constexpr const char* kErrorDomain = "ObsidianTarget";
    static constexpr long kNotConfiguredCode = 1;
    static constexpr const char* kNotConfiguredDescription =
        "No Obsidian vault configured. Set your vault path under Capture Targets in Quillmarker Settings.";
    static constexpr long kNotAFolderCode = 3;

    struct Resolution {
        // The configured folder (after "~" expansion and trimming), or the
        // ancestor of it that holds ".obsidian".
        std::string rootPath;
        // rootPath is an ancestor of the configured folder.
        bool walkedUpFromSubfolder = false;
        // A ".obsidian" folder is in rootPath.
        bool hasObsidianMarker = false;

        friend bool operator==(const Resolution&, const Resolution&) = default;
    };

    // Expands a leading "~", then trims whitespace and newlines (in that
    // order: a "~" behind blanks stays). Throws a PlatformError: code 1 when
    // that leaves nothing, code 3 when it is not an existing folder. Then walks
    // up from the folder to the nearest one holding a ".obsidian" folder,
    // never testing the file-system root unless it is the folder itself; with
    // none found the folder is the root, unmarked. Paths are compared as
    // written: symbolic links and letter case are not resolved. Only reads the
    // file system; any thread.
    static Resolution resolve(std::string_view configuredPath);

    // The description of code 3 for `path`.
    static std::string notAFolderDescription(std::string_view path);

    ObsidianVaultPath() = delete;
};

}  // namespace qm
