#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "capture/CaptureFailureNotice.h"

namespace qm {

class UserDefaults;

// The Obsidian and Logseq targets write into a folder chosen in Settings. A
// trigger for one of them is stopped before anything is removed from the host
// when that folder is not set or is not a folder, and the user is told how to
// fix it. Reads the setting on every check.
class CaptureFolderPreCheck {
public:
    // `defaults` must outlive the check.
    explicit CaptureFolderPreCheck(const UserDefaults& defaults);

    // Nothing when `commandName` needs no folder or its folder exists; else the
    // notice to post (not saved, guided to the folder's setting).
    std::optional<CaptureFailureNotice> missingPathFailure(std::string_view commandName) const;

    // A leading "~" (alone or before "/") becomes the home folder (paths::homeFolder);
    // anything else, and everything when no home folder is known, is unchanged.
    static std::string expandTilde(std::string_view path);

private:
    const UserDefaults& defaults_;
};

}  // namespace qm
