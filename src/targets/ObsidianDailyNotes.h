#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Where today's daily note of an Obsidian vault goes and how a new one
// starts, taken from the vault's own ".obsidian/daily-notes.json" so that
// captures follow the vault's daily-note settings.
struct ObsidianDailyNotes {
    static constexpr const char* kDefaultFormat = "yyyy-MM-dd";

    // Relative to the vault root; empty for the root itself.
    std::string folder;
    // A date pattern for the note's file name; "/" in it makes sub-folders.
    std::string format = kDefaultFormat;
    // The template note as the settings file names it, relative to the vault
    // root; ".md" may be left out.
    std::optional<std::string> templateSetting;

    // The template note's path under `vaultRoot`, ".md" added when missing.
    std::optional<std::string> templateFile(const std::string& vaultRoot) const;

    // `folderSetting` (trimmed; the "obsidianDailyNotesFolder" setting) wins
    // over the file's "folder". A missing, unreadable or malformed settings
    // file, or a key that is not a non-empty string, leaves its default
    // without a message. Logs each value taken from the file.
    static ObsidianDailyNotes load(const std::string& vaultRoot, const std::string& folderSetting);

    // An Obsidian-style date format as a Unicode date pattern: "YYYY" and
    // "YY" are calendar years ("yyyy", "yy"), never week-based ones; "DD" and
    // "D" days of the month; "dddd" and "ddd" weekday names. Every other
    // character passes unchanged.
    static std::string convertDateFormat(std::string_view obsidianFormat);
};

}  // namespace qm
