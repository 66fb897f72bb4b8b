#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qm::paths {

// The user's home folder: $HOME when it is set and not empty (read on every
// call: tests repoint it), else the home that the account database records for
// this user, looked up once per process with the re-entrant lookup; empty when
// neither is known. Safe to call from any thread.
std::filesystem::path homeFolder();

// The system's folders, mapped onto the XDG base and user directories. Each is
// read from the environment on every call (tests repoint HOME and XDG_*), and
// gives nothing when neither the XDG variable nor a home folder is known.

// "Application Support": $XDG_DATA_HOME, default ~/.local/share.
std::optional<std::filesystem::path> applicationSupport();
// The user-defaults folder's parent: $XDG_CONFIG_HOME, default ~/.config.
std::optional<std::filesystem::path> configHome();
// "Documents": $XDG_DOCUMENTS_DIR, default ~/Documents.
std::optional<std::filesystem::path> documents();
// "Downloads": $XDG_DOWNLOAD_DIR, default ~/Downloads.
std::optional<std::filesystem::path> downloads();

// The program's own folder inside Application Support ("com.quillmarker.app").
std::optional<std::filesystem::path> appDataFolder();

// A leading "~" (alone or before "/") becomes homeFolder(); anything else, and
// every path while no home folder is known, is returned unchanged.
std::string expandTilde(std::string_view path);

inline constexpr const char* kBundleIdentifier = "com.quillmarker.app";

}  // namespace qm::paths
